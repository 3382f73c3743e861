#include "app/restore_command.h"

#include "app/archive_opening.h"
#include "app/runner/runner_controller.h"
#include "core/backup_exception.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "job/restore_wizard.h"
#include "uictl/brim_message_box.h"

namespace app {
namespace {

job::ResWzdFunctions wizard_functions(RunnerController& runner, const RestoreWizardHooks& hooks) {
    job::ResWzdFunctions functions;
    functions.refresh_job = hooks.refresh_job;
    functions.archive_opened = hooks.archive_opened;
    functions.is_running = [&runner](brim::BackupItem* job) {
        return job != nullptr && runner.job_state(*job) == JobState::running ? 1 : 0;
    };
    functions.check_share = [&runner](const bk::String& path, brim::BackupItem* job) {
        return runner.servers().check_path(path, job != nullptr ? job->name : bk::String()) ? 1 : 0;
    };
    functions.prove_password = [](brim::BackupItem& job, const bk::String& archive) {
        return prove_set_password(job, archive);
    };
    return functions;
}

bool name_in_store(const bk::String& name) {
    for (const brim::BackupItem* job : brim::BackupItemManager::instance()->items())
        if (job->name == name) return true;
    return false;
}

// The job made from an archive file joins the store, unless its name is
// taken (names stay unique); true when it joined.
bool add_to_store(std::unique_ptr<brim::BackupItem>& job, const RestoreWizardHooks& hooks) {
    if (name_in_store(job->name)) return false;
    brim::BackupItem* raw = job.get();
    // A report file left by an earlier job of this name is not this job's.
    try {
        if (brim::BackupItemReportColl* reports = raw->get_reports()) reports->remove();
    } catch (const bk::Exception&) {
        // A damaged file was kept aside and repaired; remove() empties it below.
        if (brim::BackupItemReportColl* reports = raw->opened_reports()) reports->remove();
    }
    auto* store = brim::BackupItemManager::instance();
    store->add(std::move(job));
    try {
        store->save();
    } catch (const brim::BackupException& failure) {
        BrimMessageBox(failure.message().c_str(), u"", mb::ok | mb::icon_error);
    }
    if (hooks.refresh_job) hooks.refresh_job(raw);
    return true;
}

}  // namespace

bool RunRestoreWizard(QWidget* parent, RunnerController& runner, brim::BackupItem* job,
                      const bk::String& archive_path, const RestoreWizardHooks& hooks) {
    job::CResWzdDlg wizard(wizard_functions(runner, hooks), QString(), parent);
    wizard.StartWith(job, archive_path);
    if (wizard.exec() != QDialog::Accepted) return false;
    job::RestoreHandover restore = wizard.TakeRestore();
    if (!restore.session) return false;
    if (restore.archive_job) add_to_store(restore.archive_job, hooks);
    return runner.start_restore(std::move(restore.session), std::move(restore.selection), std::move(restore.target),
                                restore.option, std::move(restore.archive_job));
}

}  // namespace app
