#include "taskplan/schedule_gate.h"

#include <algorithm>

namespace taskplan {
namespace {

// The item's latest scheduled start at or before `until`; 0 when none.
std::int64_t latest_start(const WorkItem& item, std::int64_t until) {
    std::int64_t latest = 0;
    for (const ScheduleTrigger& trigger : item.triggers) {
        if (const auto at = last_run_before(trigger, until + 1)) latest = std::max(latest, *at);
    }
    return latest;
}

}  // namespace

GateAnswer take_scheduled_start(const WorkItemStore& store, bk::StringView name, std::int64_t now, bool at_start) {
    std::optional<WorkItem> item = store.find(name);
    if (!item) return GateAnswer::unknown_item;
    if (at_start) {
        const bool boots = std::any_of(item->triggers.begin(), item->triggers.end(), [](const ScheduleTrigger& t) {
            return t.type == TriggerType::at_system_start;
        });
        return boots ? GateAnswer::due : GateAnswer::not_due;
    }
    const std::int64_t scheduled = latest_start(*item, now);
    if (scheduled == 0 || now - scheduled > start_window || scheduled <= item->last_fired) return GateAnswer::not_due;
    item->last_fired = scheduled;
    store.save(*item);
    return GateAnswer::due;
}

std::vector<MissedRun> take_missed_runs(const WorkItemStore& store, std::int64_t now) {
    std::vector<MissedRun> missed;
    for (WorkItem& item : store.items()) {
        if (!item.catch_up) continue;
        const std::int64_t scheduled = latest_start(item, now);
        // A start still inside its window is the gate's to take.
        if (scheduled == 0 || scheduled <= item.last_fired || scheduled < item.created ||
            now - scheduled <= start_window) {
            continue;
        }
        item.last_fired = scheduled;
        store.save(item);
        missed.push_back({item, scheduled});
    }
    return missed;
}

bool is_spent(const WorkItem& item, std::int64_t now) {
    const bool only_once = std::all_of(item.triggers.begin(), item.triggers.end(),
                                       [](const ScheduleTrigger& t) { return t.type == TriggerType::once; });
    return only_once && next_execution_time(item, now) == 0;
}

}  // namespace taskplan
