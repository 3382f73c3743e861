#include "core/engine/session_kinds.h"

#include "core/engine/archive_session.h"
#include "core/engine/burner_backup_session.h"
#include "core/engine/copy_session.h"
#include "core/engine/directory_copy_session.h"

namespace brim {

std::unique_ptr<BackupSession> make_session_for_kind(BackupItem* job, SessionDirection direction) {
    switch (job->kind) {
        case BackupKind::normal: return std::make_unique<NormalSession>(job, direction);
        case BackupKind::increment: return std::make_unique<IncrementSession>(job, direction);
        case BackupKind::difference: return std::make_unique<DifferenceSession>(job, direction);
        case BackupKind::copy: return std::make_unique<CopySession>(job, direction);
        case BackupKind::increment_copy: return std::make_unique<IncrementCopySession>(job, direction);
        case BackupKind::merge_copy: return std::make_unique<MergeCopySession>(job, direction);
        case BackupKind::directory_copy: return std::make_unique<DirectoryCopySession>(job, direction);
        case BackupKind::burner: return std::make_unique<BurnerBackupSession>(job, direction);
        case BackupKind::none: break;
    }
    return nullptr;
}

}  // namespace brim
