#include "app/services.h"

#include "basekit/exception.h"
#include "core/backup_exception.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/password_manager.h"
#include "job/system_option.h"
#include "taskplan/task_planner.h"

namespace app {

void start_services() {
    auto* options = job::CSystemOption::GetInstance();
    if (options->Load() == 0) options->LoadWithDefault();
    auto* log = brim::LogManager::instance();
    log->max_log_size(options->GetLogLimit());
    const auto copy_days = static_cast<std::int32_t>(options->GetAutoBackupDay());
    log->save_copy(copy_days);
    auto* store = brim::BackupItemManager::instance();
    store->save_copy(copy_days);
    store->archive_segment(options->GetSegmentSize());
    // The store keeps 10 to 1024 reports a job as asked and 60 for anything else.
    store->max_report_count(options->GetMaxReportCount());
}

StoreStart load_job_store(const StoreDamageQuestions& questions) {
    auto* store = brim::BackupItemManager::instance();
    try {
        store->load();
        return StoreStart::loaded;
    } catch (const bk::Exception&) {
    }
    const std::int64_t copy_time = store->last_config_backup_time();
    if (copy_time != 0 && questions.load_copy) {
        if (questions.load_copy(copy_time)) {
            store->load_copy();
            return StoreStart::copy_loaded;
        }
    } else if (copy_time == 0 && questions.will_repair) {
        questions.will_repair();
    }
    store->reload();
    return StoreStart::reloaded;
}

void remove_spent_tasks() {
    auto* planner = taskplan::CTaskPlanner::GetInstance(1);
    if (planner == nullptr) return;
    for (brim::BackupItem* job : brim::BackupItemManager::instance()->items()) {
        if (job->task_name.empty()) continue;
        const auto task = planner->GetTask(job->task_name);
        if (!task || task->GetTrigger() != taskplan::TriggerType::once || task->GetNextExecutionTime() != 0)
            continue;
        planner->DeleteTask(job->task_name);
        job->task_name.clear();
    }
}

void end_services(const std::function<void(const bk::String& message)>& store_failed) {
    job::CSystemOption::GetInstance()->Save();
    job::CSystemOption::DelInstance();
    taskplan::CTaskPlanner::DelInstance();
    try {
        brim::BackupItemManager::instance()->save();
    } catch (const brim::BackupException& failure) {
        if (store_failed) store_failed(failure.message());
    }
    brim::LogManager::del_instance();
    brim::BackupItemManager::del_instance();
    try {
        brim::PasswordManager::instance()->save();
    } catch (...) {
        // The logon entries are saved whenever they change; this is a last try.
    }
    brim::PasswordManager::del_instance();
}

void log_information(bk::StringView text) {
    try {
        brim::LogManager::instance()->log(brim::LogType::information, text);
    } catch (...) {
        // The first entry is a courtesy: a log that cannot be written does
        // not stop the program.
    }
}

}  // namespace app
