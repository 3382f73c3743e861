#include "taskplan/overdue_jobs.h"

#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/jobs/backup_item_report_coll.h"

namespace taskplan {

std::int64_t last_successful_run(brim::BackupItem& job) {
    try {
        const brim::BackupItemReportColl* reports = job.get_reports();
        if (reports == nullptr) return 0;
        const auto all = reports->reports();
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            const auto* report = *it;
            if (report->type == brim::ReportType::restore) continue;
            if (report->result == static_cast<std::int32_t>(brim::RunResult::successful) ||
                report->result == static_cast<std::int32_t>(brim::RunResult::having_warnings)) {
                return report->execution_time;
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
