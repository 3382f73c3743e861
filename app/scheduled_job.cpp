#include "app/scheduled_job.h"

#include <memory>

#include "core/jobs/backup_item_manager.h"
#include "taskplan/task_planner.h"

namespace app {

brim::BackupItem* scheduled_job(std::int32_t job_id) {
    if (job_id <= 0) return nullptr;
    brim::BackupItem* job = brim::BackupItemManager::instance()->backup_item(static_cast<std::uint32_t>(job_id));
    if (job == nullptr || job->task_name.empty()) return nullptr;
    taskplan::CTaskPlanner* planner = taskplan::CTaskPlanner::GetInstance(1);
    std::unique_ptr<taskplan::CTaskPlanner> stored;
    if (planner == nullptr) {
        // The daemon does not run (now): its stored tasks still tell.
        stored = taskplan::crontab_task_planner();
        planner = stored.get();
    }
    if (!planner->GetTask(job->task_name)) return nullptr;
    return job;
}

}  // namespace app
