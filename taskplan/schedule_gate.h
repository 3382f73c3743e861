#pragma once
// What happens when cron starts a work item's line, and at the next start
// after runs were missed: the gate decides whether the start is one the
// item's rule asks for (and records it, so that it is taken once), and the
// catch-up finds the starts that did not happen because the machine was off.
#include <cstdint>
#include <vector>

#include "basekit/date.h"
#include "basekit/types.h"
#include "taskplan/work_item.h"

namespace taskplan {

// How late after its scheduled minute cron may start a line (a busy or
// just-woken machine) for the start still to count as that one.
inline constexpr std::int64_t start_window = 10 * bk::microseconds_per_minute;

enum class GateAnswer { due, not_due, unknown_item };

// The gate of a scheduled start of `name` at `now` (`at_start`: the line
// that runs at boot). Due when a trigger of the item fired within the start
// window before `now` and that start was not taken yet; the start is then
// recorded in the item. Throws IOException when the record cannot be saved.
GateAnswer take_scheduled_start(const WorkItemStore& store, bk::StringView name, std::int64_t now, bool at_start);

struct MissedRun {
    WorkItem item;
    std::int64_t scheduled = 0;  // the start it makes up for
};

// The items (with catch-up on) whose latest scheduled start before `now`
// passed without being taken, made after the item was; each is recorded as
// taken, so that a second call finds nothing. Throws IOException.
std::vector<MissedRun> take_missed_runs(const WorkItemStore& store, std::int64_t now);

// A work item that will never start again: every trigger is a one-time
// trigger and its time has passed.
bool is_spent(const WorkItem& item, std::int64_t now);

}  // namespace taskplan
