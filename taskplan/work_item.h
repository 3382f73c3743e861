#pragma once
// A work item of the scheduler: a named entry that starts an application
// with parameters, as an account, by its triggers. Each is kept as one file
// of its own in the schedule folder of the configuration directory, written
// so that a crash leaves the old or the new content.
#include <cstdint>
#include <optional>
#include <vector>

#include "basekit/types.h"
#include "taskplan/schedule_trigger.h"

namespace taskplan {

struct WorkItem {
    bk::String name;
    bk::String application;  // the program's full path
    bk::String parameters;   // "backup 12"
    bk::String account;      // the user whose crontab runs it
    std::vector<ScheduleTrigger> triggers;
    std::int64_t created = 0;     // when the item was made
    std::int64_t last_fired = 0;  // the scheduled time of its last start (0: none yet)
    bool catch_up = true;         // a run missed while the machine was off is made up later
    // The environment the scheduled start needs to find this user's data
    // ("BRIMVAULT_HOME=/path"), taken when the item was made.
    std::vector<bk::String> environment;

    friend bool operator==(const WorkItem&, const WorkItem&) = default;
};

// The item's next start at or after `from`, over all its triggers; 0 when
// there is none.
std::int64_t next_execution_time(const WorkItem& item, std::int64_t from);

// The text of an item file, and back. decode_work_item gives nullopt for a
// text that is not a work item (foreign, newer or damaged).
std::string encode_work_item(const WorkItem& item);
std::optional<WorkItem> decode_work_item(std::string_view text);

// The folder of work items: <configuration directory>/schedule.
class WorkItemStore final {
public:
    explicit WorkItemStore(bk::String folder);
    // The store of this user's data directory.
    static WorkItemStore of_user();

    const bk::String& folder() const { return folder_; }
    // Every readable item, by name; damaged files are left out.
    std::vector<WorkItem> items() const;
    std::optional<WorkItem> find(bk::StringView name) const;
    bool exists(bk::StringView name) const;
    // Writes the item (0600). Throws IOException.
    void save(const WorkItem& item) const;
    // Removes the item; an unknown name does nothing.
    void remove(bk::StringView name) const;

private:
    bk::String path_of(bk::StringView name) const;
    bk::String folder_;
};

}  // namespace taskplan
