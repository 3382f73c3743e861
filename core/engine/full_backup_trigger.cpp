#include "core/engine/full_backup_trigger.h"

#include <algorithm>

#include "basekit/date.h"

namespace brim {
namespace {

// The same instant as a date whose calendar parts are the local wall clock's.
bk::Date local_clock(std::int64_t time) { return bk::Date(bk::Date(time).local_time()); }

bool weekly_due(const TriggerData& trigger, std::int64_t last_full, std::int64_t now) {
    const bk::Date today = local_clock(now);
    const int weekday = static_cast<int>(today.day_of_week());
    if ((trigger.days_of_week & (1u << weekday)) == 0) return false;
    const bk::Date full = local_clock(last_full);
    const std::int64_t days = today.subtract(full).days();
    if (days <= 0) return false;
    if (days / 7 > trigger.interval) return true;
    if (days >= 7) return false;
    return static_cast<int>(full.day_of_week()) < weekday;
}

bool monthly_due(const TriggerData& trigger, std::int64_t last_full, std::int64_t now) {
    if (trigger.value <= 0) return false;
    const bk::Date today = local_clock(now);
    const int day = std::min(trigger.value, bk::Date::days_in_month(today.year(), today.month()));
    if (today.day() < day) return false;
    const bk::Date due(today.year(), today.month(), day, 0, 0, 0);
    return local_clock(last_full).time() < due.time();
}

}  // namespace

bool full_backup_due(const TriggerData& trigger, std::uint32_t run_count, std::int64_t last_full, std::int64_t now) {
    switch (trigger.kind) {
        case TriggerData::Kind::count:
            return trigger.value > 0 && run_count >= static_cast<std::uint32_t>(trigger.value);
        case TriggerData::Kind::weekly: return weekly_due(trigger, last_full, now);
        case TriggerData::Kind::monthly: return monthly_due(trigger, last_full, now);
    }
    return false;
}

}  // namespace brim
