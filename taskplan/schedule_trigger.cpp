#include "taskplan/schedule_trigger.h"

#include "basekit/calendar.h"
#include "basekit/date.h"
#include "basekit/time_zone.h"

namespace taskplan {
namespace {

std::int64_t days_from_civil(const LocalDay& d) {
    return bk::calendar::days_from_civil(d.year, d.month, d.day);
}

LocalDay civil_from_days(std::int64_t days) {
    const bk::calendar::CivilDate date = bk::calendar::civil_from_days(days);
    return {static_cast<int>(date.year), date.month, date.day};
}

std::int64_t offset_at(std::int64_t instant) {
    return bk::TimeZone::current_time_zone().offset(instant);
}

bool has_time_of_its_own(TriggerType type) {
    return type == TriggerType::once || type == TriggerType::daily || type == TriggerType::weekly ||
           type == TriggerType::monthly_date;
}

// Weeks counted from the Sunday that starts the week of `day`.
std::int64_t week_index(const LocalDay& day) {
    return bk::calendar::floor_div(days_from_civil(day) - weekday_of(day), 7);
}

}  // namespace

LocalDay add_days(const LocalDay& day, int days) {
    return civil_from_days(days_from_civil(day) + days);
}

int weekday_of(const LocalDay& day) {
    return bk::calendar::weekday_from_days(days_from_civil(day));
}

bool fires_on(const ScheduleTrigger& trigger, const LocalDay& day) {
    const std::int64_t since_begin = days_from_civil(day) - days_from_civil(trigger.begin);
    if (since_begin < 0) return false;
    const int interval = trigger.interval < 1 ? 1 : trigger.interval;
    switch (trigger.type) {
        case TriggerType::once: return since_begin == 0;
        case TriggerType::daily: return since_begin % interval == 0;
        case TriggerType::weekly:
            return (trigger.weekdays & (1u << weekday_of(day))) != 0 &&
                   (week_index(day) - week_index(trigger.begin)) % interval == 0;
        case TriggerType::monthly_date:
            return (trigger.month_days & (1u << (day.day - 1))) != 0 && (trigger.months & (1u << (day.month - 1))) != 0;
        default: return false;
    }
}

std::int64_t instant_of_local(const LocalDay& day, int hour, int minute) {
    const std::int64_t local = days_from_civil(day) * bk::microseconds_per_day + hour * bk::microseconds_per_hour +
                               minute * bk::microseconds_per_minute;
    // The offsets in force half a day either side cover every zone change.
    const std::int64_t before = local - offset_at(local - 14 * bk::microseconds_per_hour);
    const std::int64_t after = local - offset_at(local + 14 * bk::microseconds_per_hour);
    const std::int64_t earlier = before < after ? before : after;
    const std::int64_t later = before < after ? after : before;
    if (earlier + offset_at(earlier) == local) return earlier;
    if (later + offset_at(later) == local) return later;
    // Skipped: the first minute after the change, found by halving.
    std::int64_t low = earlier;
    std::int64_t high = later;
    const std::int64_t first_offset = offset_at(low);
    while (high - low > bk::microseconds_per_minute) {
        const std::int64_t middle = low + (high - low) / 2;
        (offset_at(middle) == first_offset ? low : high) = middle;
    }
    return high - high % bk::microseconds_per_minute;
}

LocalDay local_day_of(std::int64_t instant) {
    return civil_from_days(bk::calendar::floor_div(instant + offset_at(instant), bk::microseconds_per_day));
}

std::optional<std::int64_t> next_run_at(const ScheduleTrigger& trigger, std::int64_t from) {
    if (!has_time_of_its_own(trigger.type)) return std::nullopt;
    LocalDay day = local_day_of(from);
    if (days_from_civil(day) < days_from_civil(trigger.begin)) day = trigger.begin;
    // Eight years cover every monthly rule that can fire at all (29 February).
    for (int step = 0; step < 8 * 366; ++step, day = add_days(day, 1)) {
        if (!fires_on(trigger, day)) continue;
        const std::int64_t instant = instant_of_local(day, trigger.hour, trigger.minute);
        if (instant >= from) return instant;
        if (trigger.type == TriggerType::once) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::int64_t> last_run_before(const ScheduleTrigger& trigger, std::int64_t until, int days_back) {
    if (!has_time_of_its_own(trigger.type)) return std::nullopt;
    LocalDay day = local_day_of(until);
    for (int step = 0; step <= days_back; ++step, day = add_days(day, -1)) {
        if (days_from_civil(day) < days_from_civil(trigger.begin)) break;
        if (!fires_on(trigger, day)) continue;
        const std::int64_t instant = instant_of_local(day, trigger.hour, trigger.minute);
        if (instant < until) return instant;
    }
    return std::nullopt;
}

}  // namespace taskplan
