#pragma once
// The restore command of the main window: the restore wizard, then the
// chosen restore on the task monitor's runner.
#include <functional>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"

class QWidget;

namespace app {

class RunnerController;

// What the main window is told while the wizard runs (each may be empty).
struct RestoreWizardHooks {
    // A job made from an archive file joined the store: its row is new.
    std::function<void(brim::BackupItem* job)> refresh_job;
    // The archive file the wizard opened.
    std::function<void(const bk::String& path)> archive_opened;
};

// Runs the restore wizard modally over `job` (a job of the store), or over
// the archive file at `archive_path`, or over neither (the user chooses).
// At Finish a job made from an archive file that is no job of the store is
// added to the store first, with an empty report collection, and the store
// saved; when the store has another job of its name it is handed to the run
// instead. Then the restore starts on `runner`. True when it started; false
// when the wizard was cancelled or the start refused (and said why).
bool RunRestoreWizard(QWidget* parent, RunnerController& runner, brim::BackupItem* job,
                      const bk::String& archive_path, const RestoreWizardHooks& hooks = {});

}  // namespace app
