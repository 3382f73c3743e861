#include "taskplan/task_planner.h"

#include "basekit/date.h"
#include "basekit/error_code.h"
#include "basekit/exception.h"
#include "basekit/platform/os_process.h"
#include "basekit/platform/os_system.h"
#include "taskplan/crontab_scheduler.h"

namespace taskplan {
namespace {

std::unique_ptr<CTaskPlanner>& installed() {
    static std::unique_ptr<CTaskPlanner> planner;
    return planner;
}

std::shared_ptr<TaskDialogs>& installed_dialogs() {
    static std::shared_ptr<TaskDialogs> dialogs;
    return dialogs;
}

class CrontabTask final : public CTask {
public:
    CrontabTask(CrontabScheduler scheduler, WorkItem item) : scheduler_(std::move(scheduler)), item_(std::move(item)) {}

    bk::String GetTaskName() const override { return item_.name; }
    std::int64_t GetNextExecutionTime() override { return next_execution_time(item_, bk::Date::now_time()); }
    TriggerType GetTrigger() override { return item_.triggers.empty() ? TriggerType::once : item_.triggers[0].type; }
    int GetParameters(bk::String& out) override {
        out = item_.parameters;
        return 1;
    }

    int ShowProperty(const bk::String& caption) override {
        TaskDialogs* dialogs = CTaskPlanner::Dialogs();
        if (dialogs == nullptr) return 0;
        WorkItem edited = item_;
        if (!dialogs->edit_schedule(edited, caption.empty() ? item_.name : caption)) return 1;
        if (!save(edited)) return 0;
        const bool once = !item_.triggers.empty() && item_.triggers[0].type == TriggerType::once;
        if (once && GetNextExecutionTime() == 0 && dialogs->ask_for_later_start()) return ShowProperty(caption);
        return 1;
    }

    // cron starts the lines as the user who owns the crontab: there is no
    // password to give, only the account to confirm.
    int SetAccountInfo(int save_after) override {
        TaskDialogs* dialogs = CTaskPlanner::Dialogs();
        if (dialogs != nullptr && !dialogs->confirm_account(item_.account)) return 0;
        return save_after == 1 ? (save(item_) ? 1 : 0) : 1;
    }

private:
    bool save(const WorkItem& item) {
        try {
            scheduler_.save(item);
            item_ = item;
            return true;
        } catch (const bk::Exception& e) {
            if (TaskDialogs* dialogs = CTaskPlanner::Dialogs()) dialogs->show_scheduler_error(e.message());
            return false;
        }
    }

    CrontabScheduler scheduler_;
    WorkItem item_;
};

class CrontabTaskPlanner final : public CTaskPlanner {
public:
    std::unique_ptr<CTask> GetTask(bk::StringView name) override {
        const CrontabScheduler scheduler = CrontabScheduler::of_user();
        auto item = scheduler.find(name);
        if (!item) return nullptr;
        return std::make_unique<CrontabTask>(scheduler, std::move(*item));
    }

    void DeleteTask(bk::StringView name) override {
        try {
            CrontabScheduler::of_user().remove(name);
        } catch (const bk::Exception& e) {
            if (TaskDialogs* dialogs = Dialogs()) dialogs->show_scheduler_error(e.message());
        }
    }

    std::unique_ptr<CTask> CreateNewTask(bk::StringView name, CmdLineKind kind, std::uint32_t job_id) override {
        const CrontabScheduler scheduler = CrontabScheduler::of_user();
        try {
            WorkItem item = scheduler.create(name, kind, job_id, bk::Date::now_time());
            auto task = std::make_unique<CrontabTask>(scheduler, item);
            if (task->SetAccountInfo(0) == 1) return task;
            scheduler.remove(item.name);
        } catch (const bk::Exception& e) {
            if (TaskDialogs* dialogs = Dialogs()) dialogs->show_scheduler_error(e.message());
        }
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<CTaskPlanner> crontab_task_planner() {
    return std::make_unique<CrontabTaskPlanner>();
}

bool make_scheduler_run(int* error) {
    if (CrontabScheduler::daemon_running()) return true;
    for (const auto& command : {std::vector<std::string>{"systemctl", "start", "cron"},
                                std::vector<std::string>{"service", "cron", "start"}}) {
        const auto result = bk::os::run_process(command);
        if (result.started && result.exit_code == 0 && CrontabScheduler::daemon_running()) return true;
    }
    // Starting a system service is the administrator's; anyone else is refused.
    if (error != nullptr) *error = bk::os::user_name() == u"root" ? bk::error::not_ready : bk::error::access_denied;
    return false;
}

CTaskPlanner* CTaskPlanner::GetInstance(int silent) {
    auto& planner = installed();
    if (planner) return planner.get();
    if (!CrontabScheduler::daemon_running()) {
        // Starting the cron service is the administrator's business: it is
        // tried only when the user agreed to it, never silently.
        TaskDialogs* dialogs = Dialogs();
        if (silent != 0 || dialogs == nullptr || !dialogs->ask_to_start_scheduler()) return nullptr;
        int error = 0;
        if (!make_scheduler_run(&error)) {
            dialogs->scheduler_start_failed(error);
            return nullptr;
        }
    }
    planner = crontab_task_planner();
    return planner.get();
}

void CTaskPlanner::DelInstance() {
    installed().reset();
}

void CTaskPlanner::Install(std::unique_ptr<CTaskPlanner> planner) {
    installed() = std::move(planner);
}

void CTaskPlanner::SetDialogs(std::shared_ptr<TaskDialogs> dialogs) {
    installed_dialogs() = std::move(dialogs);
}

TaskDialogs* CTaskPlanner::Dialogs() {
    return installed_dialogs().get();
}

}  // namespace taskplan
