#pragma once
// The scheduler of this system on Linux: work items kept in the schedule
// folder, rendered into the user's crontab, started by the cron daemon.
#include <cstdint>
#include <optional>
#include <vector>

#include "basekit/types.h"
#include "taskplan/user_crontab.h"
#include "taskplan/work_item.h"

namespace taskplan {

// The delay of a new item's first, one-time trigger.
inline constexpr int first_trigger_minutes = 3;

class CrontabScheduler final {
public:
    // `gate` is brimvault-cli's full path, `application` the program the
    // items start.
    CrontabScheduler(WorkItemStore store, UserCrontab crontab, bk::String gate, bk::String application);
    // This user's: the store of the data directory, the user's crontab, and
    // brimvault-cli and brimvault from the running program's folder
    // (brimvault-cli for both when there is no brimvault).
    static CrontabScheduler of_user();

    // Whether the cron daemon runs.
    static bool daemon_running();

    const WorkItemStore& store() const { return store_; }
    std::optional<WorkItem> find(bk::StringView name) const { return store_.find(name); }

    // Makes the work item of a job: its name numbered "%s%d" from 1 while an
    // item of that name exists, the application with "backup ID" ("restore
    // ID" for any other kind), the user's account, and a one-time trigger
    // three minutes after `now` (local time). Saved, and in the crontab.
    // Throws IOException; nothing is left behind then.
    WorkItem create(bk::StringView job_name, int kind, std::uint32_t job_id, std::int64_t now) const;
    // Saves an item and rewrites the crontab's block. Throws IOException.
    void save(const WorkItem& item) const;
    // Removes an item and its lines; an unknown name does nothing.
    void remove(bk::StringView name) const;
    // Renders every item into the crontab's block.
    void write_crontab() const;

private:
    WorkItemStore store_;
    UserCrontab crontab_;
    bk::String gate_;
    bk::String application_;
};

// The command line of a scheduled start: "backup 12" (kind 0), "restore 12".
bk::String scheduled_parameters(int kind, std::uint32_t job_id);

// The job a scheduled start names in its parameters ("backup 12"); nullopt
// when they name none.
std::optional<std::uint32_t> job_of_parameters(bk::StringView parameters);

}  // namespace taskplan
