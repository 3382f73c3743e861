#include "taskplan/overdue_jobs.h"

#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/jobs/backup_item_report_coll.h"

namespace taskplan {

std::int64_t last_successful_run(brim::BackupItem& job) {
    try {
        const brim::BackupItemReportColl* reports = job.get_reports();
        if (reports == nullptr) return 0;
        // Copies: the window asks while runs of the job may go on.
        const auto all = reports->copies();
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            if (it->type == brim::ReportType::restore) continue;
            if (it->result == static_cast<std::int32_t>(brim::RunResult::successful) ||
                it->result == static_cast<std::int32_t>(brim::RunResult::having_warnings)) {
                return it->execution_time;
            }
        }
    } catch (const bk::Exception&) {
        // Unreadable reports: the job counts as never run.
    }
    return 0;
}

std::optional<int> overdue_days(brim::BackupItem& job, std::int64_t now, int limit) {
    std::int64_t since = last_successful_run(job);
    if (since == 0) since = job.creation_time;
    const auto days = static_cast<int>((now - since) / bk::microseconds_per_day);
    if (days < limit) return std::nullopt;
    return days;
}

}  // namespace taskplan
