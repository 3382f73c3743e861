#pragma once
// The session of each backup kind.
#include <memory>

#include "core/engine/backup_session.h"

namespace brim {

// The session for the job's kind; throws BackupException for a kind
// without one.
std::unique_ptr<BackupSession> make_session_for_kind(BackupItem* job, SessionDirection direction);

// The kind whose runs do nothing: success, no report, nothing written.
class DifferenceSession final : public BackupSession {
public:
    DifferenceSession(BackupItem* job, SessionDirection direction) : BackupSession(job, direction) {}

protected:
    SessionRunResult run() override { return SessionRunResult::done; }
    ReportType report_type() const override { return ReportType::none; }
};

// Kinds this build does not run yet: the run fails with a clear message.
class UnavailableKindSession final : public BackupSession {
public:
    UnavailableKindSession(BackupItem* job, SessionDirection direction, ReportType type)
        : BackupSession(job, direction), type_(type) {}

protected:
    SessionRunResult run() override;
    ReportType report_type() const override { return type_; }

private:
    ReportType type_;
};

}  // namespace brim
