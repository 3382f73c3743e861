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

}  // namespace brim
