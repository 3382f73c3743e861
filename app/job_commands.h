#pragma once
// The commands of the job list that change it and the scheduler: delete one
// job or all, unschedule and reschedule, import and export, each with its
// questions. GUI thread.
#include <memory>
#include <optional>
#include <vector>

#include "core/jobs/backup_item.h"
#include "core/jobs/backup_item_manager.h"

namespace app {

class RunnerController;

class JobCommands {
public:
    explicit JobCommands(RunnerController& runner) : runner_(runner) {}

    // Takes a new job into the store (dropping reports an older job of its
    // name left behind) and saves the store; a failed save is shown. The
    // job as the store holds it.
    brim::BackupItem& add_job(std::unique_ptr<brim::BackupItem> job);
    // Deletes the job after its questions; true when it was deleted.
    bool delete_job(brim::BackupItem& job);
    // Asks once (247), then deletes every job from the last to the first
    // without asking each; the number deleted.
    int delete_all_jobs();
    // Takes the job's schedule away after asking (243).
    bool unschedule(brim::BackupItem& job);
    // Opens the schedule editor over the job's task, made when it has none.
    bool reschedule(brim::BackupItem& job);
    // Adds the jobs of a chosen file, refusing names the store has (397);
    // the number added.
    int import_jobs(brim::JobFileFormat format);
    // Writes the jobs to a chosen file, asking before a protected job's
    // security goes (249) and for its password. True when it was written.
    bool export_jobs(const std::vector<brim::BackupItem*>& jobs, brim::JobFileFormat format);
    // Saves the store after a job changed in it; a failed save is shown.
    void save_store();

private:
    // The answer to "unschedule the job?" that the user gave for all jobs
    // of one command.
    struct AllJobs {
        std::optional<bool> unschedule;
    };
    bool delete_one(brim::BackupItem& job, bool confirm, AllJobs& all);
    // The job's password asked and checked: for a protected job, or only
    // when it is not known (`protected_job` false). Wrong: `wrong_text`.
    bool proves_password(brim::BackupItem& job, std::uint32_t wrong_text, bool protected_job);
    bool unschedule_before_delete(brim::BackupItem& job, AllJobs& all);

    RunnerController& runner_;
};

}  // namespace app
