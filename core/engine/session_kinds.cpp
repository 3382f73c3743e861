#include "core/engine/session_kinds.h"

#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/engine/archive_session.h"
#include "core/engine/burner_backup_session.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_failed = 129;
constexpr std::uint32_t msg_kind_unavailable = 415;

}  // namespace

SessionRunResult UnavailableKindSession::run() {
    error(msg_failed, core_string(msg_kind_unavailable));
    return SessionRunResult::failed;
}

std::unique_ptr<BackupSession> make_session_for_kind(BackupItem* job, SessionDirection direction) {
    switch (job->kind) {
        case BackupKind::normal: return std::make_unique<NormalSession>(job, direction);
        case BackupKind::increment: return std::make_unique<IncrementSession>(job, direction);
        case BackupKind::difference: return std::make_unique<DifferenceSession>(job, direction);
        case BackupKind::copy: return std::make_unique<UnavailableKindSession>(job, direction, ReportType::copy);
        case BackupKind::increment_copy:
            return std::make_unique<UnavailableKindSession>(job, direction, ReportType::increment_copy);
        case BackupKind::merge_copy:
            return std::make_unique<UnavailableKindSession>(job, direction, ReportType::merge_copy);
        case BackupKind::directory_copy:
            return std::make_unique<UnavailableKindSession>(job, direction, ReportType::dir_copy);
        case BackupKind::burner: return std::make_unique<BurnerBackupSession>(job, direction);
        case BackupKind::none: break;
    }
    return nullptr;
}

}  // namespace brim
