#include "taskplan/catch_up.h"

#include "basekit/date.h"
#include "basekit/text_format.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "taskplan/crontab_scheduler.h"
#include "taskplan/schedule_gate.h"

namespace taskplan {
namespace {

constexpr std::uint32_t msg_missed_start = 590;
constexpr std::uint32_t msg_overdue = 591;

}  // namespace

std::vector<CatchUpStart> take_catch_up_starts(std::int64_t now) {
    const auto scheduler = CrontabScheduler::of_user();
    std::vector<CatchUpStart> starts;
    for (const auto& missed : take_missed_runs(scheduler.store(), now)) {
        const auto id = job_of_parameters(missed.item.parameters);
        const brim::BackupItem* job = id ? brim::BackupItemManager::instance()->backup_item(*id) : nullptr;
        if (job == nullptr) continue;
        brim::LogManager::instance()->log(
            brim::LogType::information,
            bk::format_text(brim::core_string(msg_missed_start), {bk::Date(missed.scheduled).to_string()}), job->name);
        starts.push_back({*id, missed.scheduled});
    }
    return starts;
}

std::vector<OverdueJob> log_overdue_jobs(std::int64_t now, int limit) {
    std::vector<OverdueJob> overdue;
    for (brim::BackupItem* job : brim::BackupItemManager::instance()->items()) {
        if (job->task_name.empty()) continue;
        if (const auto days = overdue_days(*job, now, limit)) {
            brim::LogManager::instance()->log(brim::LogType::warning,
                                              bk::format_text(brim::core_string(msg_overdue), {*days}), job->name);
            overdue.push_back({job, *days});
        }
    }
    return overdue;
}

}  // namespace taskplan
