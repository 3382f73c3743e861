#pragma once
// The scheduler behind the jobs that run on a schedule: one work item
// (task) per job, known by name. The dialogs read a task's next run and the
// type of its first trigger through this interface; the planner that
// stands behind it is installed once per process, and until a real one is
// installed the planner knows no task.
#include <cstdint>
#include <memory>

#include "basekit/types.h"

namespace taskplan {

// The type of a task's first trigger, numbered as the scheduler's own.
enum class TriggerType : std::int32_t {
    once = 0,  // also: no trigger, or one that cannot be read
    daily = 1,
    weekly = 2,
    monthly_date = 3,
    monthly_day_of_week = 4,
    when_idle = 5,
    at_system_start = 6,
    at_logon = 7,
};

// One work item. Made by CTaskPlanner::GetTask; the caller owns it.
class CTask {
public:
    virtual ~CTask() = default;
    virtual bk::String GetTaskName() const = 0;
    // The next run as a Date time value (microseconds since 1970 UTC); 0
    // when the task has no next run.
    virtual std::int64_t GetNextExecutionTime() = 0;
    virtual TriggerType GetTrigger() = 0;
};

class CTaskPlanner {
public:
    virtual ~CTaskPlanner() = default;

    // The installed planner, made on first use (a planner that knows no task
    // until one is installed). `silent` 1 starts what the scheduler needs
    // without asking and shows nothing; null when the scheduler cannot be
    // had. GUI thread only.
    static CTaskPlanner* GetInstance(int silent);
    // Deletes the planner; the next GetInstance makes it again.
    static void DelInstance();
    // Puts `planner` in place of the current one (the scheduler binding at
    // start, tests); null puts back the planner that knows no task.
    static void Install(std::unique_ptr<CTaskPlanner> planner);

    // The task of that name, or null when the scheduler has none.
    virtual std::unique_ptr<CTask> GetTask(bk::StringView name) = 0;
};

}  // namespace taskplan
