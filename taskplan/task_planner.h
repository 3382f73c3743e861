#pragma once
// The scheduler as the GUI and the dialogs see it: one work item (task) per
// scheduled job, known by name. The planner of this system keeps its items
// on the user's crontab (crontab_scheduler.h); tests and other bindings may
// install their own. What needs the user (asking to start the scheduler,
// the account, the schedule editor) goes through TaskDialogs, which the GUI
// installs; without them the planner asks nothing.
#include <cstdint>
#include <memory>

#include "basekit/types.h"
#include "taskplan/schedule_trigger.h"

namespace taskplan {

struct WorkItem;

// 0: the scheduled command line starts a backup; any other value a restore.
using CmdLineKind = int;

// One work item. Made by CTaskPlanner; the caller owns it. Deleting it
// leaves the work item in the scheduler.
class CTask {
public:
    virtual ~CTask() = default;
    virtual bk::String GetTaskName() const = 0;
    // The next run as a Date time value (microseconds since 1970 UTC); 0
    // when the task has no next run.
    virtual std::int64_t GetNextExecutionTime() = 0;
    // The type of the first trigger; once also when there is none.
    virtual TriggerType GetTrigger() = 0;
    // The scheduled command line's parameters ("backup 12"); 1, or 0 with
    // `out` emptied when they cannot be read.
    virtual int GetParameters(bk::String& out) {
        out.clear();
        return 0;
    }
    // The schedule editor: 1 when the user closed it (changed or not), 0 on a
    // failure.
    virtual int ShowProperty(const bk::String& /*caption*/) { return 0; }
    // Confirms the account the task runs as; with `save` 1 saves the task.
    virtual int SetAccountInfo(int /*save*/) { return 0; }
};

// What the planner asks of the user; the GUI's implementation shows the
// dialogs and messages.
class TaskDialogs {
public:
    virtual ~TaskDialogs() = default;
    // The scheduler does not run: start it? (not asked when silent)
    virtual bool ask_to_start_scheduler() = 0;
    // Starting it failed with a system error code (5: not allowed).
    virtual void scheduler_start_failed(int error) = 0;
    // The account the task runs as: true to go on.
    virtual bool confirm_account(const bk::String& user) = 0;
    // The schedule editor over the item; true when the user changed it.
    virtual bool edit_schedule(WorkItem& item, const bk::String& caption) = 0;
    // A one-time trigger lies in the past: set a later start?
    virtual bool ask_for_later_start() = 0;
    // A failure of the scheduler with its text.
    virtual void show_scheduler_error(const bk::String& reason) = 0;
};

class CTaskPlanner {
public:
    virtual ~CTaskPlanner() = default;

    // The planner, made on first use: the installed one, else the user's
    // crontab planner when the cron daemon runs. When it does not, `silent`
    // 1 gives null at once (a system service is never started unasked);
    // with 0 the installed dialogs ask whether to start it, and say why
    // starting failed. Null when the scheduler cannot be had. GUI thread
    // only.
    static CTaskPlanner* GetInstance(int silent);
    // Deletes the planner; the next GetInstance makes it again.
    static void DelInstance();
    // Puts `planner` in place of the current one (tests, other bindings);
    // null lets the next GetInstance make the crontab planner.
    static void Install(std::unique_ptr<CTaskPlanner> planner);
    // The dialogs the planner asks through; null for none.
    static void SetDialogs(std::shared_ptr<TaskDialogs> dialogs);
    static TaskDialogs* Dialogs();

    // The task of that name, or null when the scheduler has none.
    virtual std::unique_ptr<CTask> GetTask(bk::StringView name) = 0;
    // Deletes the task; an unknown name does nothing.
    virtual void DeleteTask(bk::StringView /*name*/) {}
    // Makes the task of a job (its name numbered "%s%d" when taken, the
    // account confirmed, a first one-time trigger three minutes ahead);
    // null, with nothing left behind, when that fails or the user cancels.
    virtual std::unique_ptr<CTask> CreateNewTask(bk::StringView /*name*/, CmdLineKind /*kind*/,
                                                 std::uint32_t /*job_id*/) {
        return nullptr;
    }
};

// The planner over the user's crontab.
std::unique_ptr<CTaskPlanner> crontab_task_planner();

// Whether the scheduler runs; when it does not, tries to start the cron
// service (which an ordinary user may not). `error` gets the system code of
// the failure.
bool make_scheduler_run(int* error);

}  // namespace taskplan
