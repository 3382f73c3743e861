#pragma once
// The job a scheduled start names, when it still has its scheduled task.
#include <cstdint>

#include "core/jobs/backup_item.h"

namespace app {

// The job of the store with that id when it has a task name and the
// scheduler has a task of that name; null otherwise (a start left over from
// a job that was removed or unscheduled runs nothing). The scheduler's
// stored tasks are read as they are: a scheduled start shows its daemon ran,
// so nobody is asked to start it.
brim::BackupItem* scheduled_job(std::int32_t job_id);

}  // namespace app
