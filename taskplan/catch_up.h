#pragma once
// What a start after the computer was off makes up for, in the job store as
// loaded: the scheduled starts that were missed, and the scheduled jobs that
// have not backed up successfully for a long time. Both are written to the
// system log with their job as the entry's source.
#include <cstdint>
#include <vector>

#include "core/jobs/backup_item.h"
#include "taskplan/overdue_jobs.h"

namespace taskplan {

struct CatchUpStart {
    std::uint32_t job_id = 0;
    std::int64_t scheduled = 0;  // the start it makes up for
};

// The missed starts of the user's scheduled items whose jobs are in the
// store, each taken (a second call finds it no more) and logged. Throws
// IOException when the items cannot be read or recorded.
std::vector<CatchUpStart> take_catch_up_starts(std::int64_t now);

struct OverdueJob {
    brim::BackupItem* job = nullptr;
    int days = 0;
};

// The store's scheduled jobs without a successful run for `limit` days or
// more, each logged as a warning.
std::vector<OverdueJob> log_overdue_jobs(std::int64_t now, int limit = default_overdue_days);

}  // namespace taskplan
