#pragma once
// What the schedule editor edits, as plain values: the kind of start, its
// date and time, the interval, the days; checked and turned into a trigger
// here, so that the editor's view only shows it.
#include <cstdint>
#include <string>

#include "taskplan/schedule_trigger.h"

namespace taskplan {

// The kinds the editor offers, in the order of its list.
enum class ScheduleKind { once = 0, daily, weekly, monthly, at_start };

struct ScheduleForm {
    ScheduleKind kind = ScheduleKind::daily;
    LocalDay day;
    int hour = 21;
    int minute = 0;
    int interval = 1;  // days (daily) or weeks (weekly)
    std::uint16_t weekdays = weekday_bit::monday;
    std::string month_days = "1";  // "1,15"
    bool catch_up = true;

    enum class Problem { none, no_weekday, bad_month_days, bad_interval };

    // The form of an existing trigger.
    static ScheduleForm of(const ScheduleTrigger& trigger, bool catch_up);
    Problem check() const;
    // The trigger the form describes; check() must have passed.
    ScheduleTrigger trigger() const;
};

}  // namespace taskplan
