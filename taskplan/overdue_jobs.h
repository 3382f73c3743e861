#pragma once
// Scheduled jobs that have not run successfully for too long: a backup that
// silently stopped happening is worse than one that fails loudly.
#include <cstdint>
#include <optional>

#include "core/jobs/backup_item.h"

namespace taskplan {

// Days a scheduled job may go without a successful run before it is said.
inline constexpr int default_overdue_days = 7;

// When the job last ended "Successful" or "Having warnings"; 0 when never.
std::int64_t last_successful_run(brim::BackupItem& job);

// Whole days since the job's last successful run (or since it was made, when
// it never had one) when they are `limit` or more; nullopt otherwise.
std::optional<int> overdue_days(brim::BackupItem& job, std::int64_t now, int limit = default_overdue_days);

}  // namespace taskplan
