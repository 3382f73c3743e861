#pragma once
// One trigger of a work item: when the scheduler starts it. Times are local
// wall-clock times of the user's zone; next_run_at turns them into instants
// the way the cron daemon runs them across daylight-saving changes.
#include <cstdint>
#include <optional>

namespace taskplan {

// The kinds of trigger, numbered as the scheduler's trigger types.
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

// Days of the week as bits, Sunday first.
namespace weekday_bit {
inline constexpr std::uint16_t sunday = 0x01;
inline constexpr std::uint16_t monday = 0x02;
inline constexpr std::uint16_t tuesday = 0x04;
inline constexpr std::uint16_t wednesday = 0x08;
inline constexpr std::uint16_t thursday = 0x10;
inline constexpr std::uint16_t friday = 0x20;
inline constexpr std::uint16_t saturday = 0x40;
inline constexpr std::uint16_t all = 0x7F;
}  // namespace weekday_bit

struct LocalDay {
    int year = 1970;
    int month = 1;
    int day = 1;
    friend bool operator==(const LocalDay&, const LocalDay&) = default;
};

struct ScheduleTrigger {
    TriggerType type = TriggerType::once;
    LocalDay begin;  // the first day the trigger may run
    int hour = 0;
    int minute = 0;
    int interval = 1;                // days (daily), weeks (weekly); at least 1
    std::uint16_t weekdays = 0;      // weekly: weekday_bit
    std::uint32_t month_days = 0;    // monthly: bit d-1 for day d (1..31)
    std::uint16_t months = 0x0FFF;   // monthly: bit m-1 for month m (1..12)

    friend bool operator==(const ScheduleTrigger&, const ScheduleTrigger&) = default;
};

// Whether the trigger fires on `day` (its time aside).
bool fires_on(const ScheduleTrigger& trigger, const LocalDay& day);

// The instant (microseconds since 1970 UTC) the trigger next fires at or
// after `from`; nullopt when it never fires again (a one-time trigger in the
// past) or has no time of its own (at system start, at logon, when idle).
std::optional<std::int64_t> next_run_at(const ScheduleTrigger& trigger, std::int64_t from);

// The last instant before `until` at which the trigger fired, looking back at
// most `days_back` days; nullopt when there is none.
std::optional<std::int64_t> last_run_before(const ScheduleTrigger& trigger, std::int64_t until, int days_back = 400);

// The instant of a local wall-clock minute as cron starts it: a time the
// zone passes twice is taken the first time; a time skipped by a change to
// summer time runs at the change.
std::int64_t instant_of_local(const LocalDay& day, int hour, int minute);

// The local day of an instant.
LocalDay local_day_of(std::int64_t instant);

// The day `days` after `day` (negative: before).
LocalDay add_days(const LocalDay& day, int days);
// The weekday of a day, 0 Sunday .. 6 Saturday.
int weekday_of(const LocalDay& day);

}  // namespace taskplan
