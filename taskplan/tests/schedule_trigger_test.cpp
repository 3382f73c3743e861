// When triggers fire: every kind across month ends, leap days and both
// daylight-saving changes, in zones with and without summer time.
#include "taskplan/schedule_trigger.h"

#include <gtest/gtest.h>

#include "taskplan/tests/zone_fixture.h"

namespace taskplan {
namespace {

using taskplan_test::utc;
using taskplan_test::utc_text;

ScheduleTrigger make(TriggerType type, LocalDay begin, int hour, int minute) {
    ScheduleTrigger t;
    t.type = type;
    t.begin = begin;
    t.hour = hour;
    t.minute = minute;
    return t;
}

ScheduleTrigger daily(LocalDay begin, int hour, int minute, int interval = 1) {
    auto t = make(TriggerType::daily, begin, hour, minute);
    t.interval = interval;
    return t;
}

ScheduleTrigger weekly(LocalDay begin, int hour, int minute, std::uint16_t days, int interval = 1) {
    auto t = make(TriggerType::weekly, begin, hour, minute);
    t.weekdays = days;
    t.interval = interval;
    return t;
}

ScheduleTrigger monthly(LocalDay begin, int hour, int minute, std::uint32_t days, std::uint16_t months = 0x0FFF) {
    auto t = make(TriggerType::monthly_date, begin, hour, minute);
    t.month_days = days;
    t.months = months;
    return t;
}

constexpr std::uint32_t day_bit(int day) { return 1u << (day - 1); }

struct NextCase {
    const char* what;
    const char* zone;
    ScheduleTrigger trigger;
    const char* from;  // UTC
    const char* next;  // UTC, or "" for none
};

class NextRun : public testing::TestWithParam<NextCase> {};

TEST_P(NextRun, IsWhereCronStartsIt) {
    const NextCase& c = GetParam();
    taskplan_test::ZoneGuard zone(c.zone);
    const auto next = next_run_at(c.trigger, utc(c.from));
    EXPECT_EQ(next ? utc_text(*next) : std::string(), c.next) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, NextRun,
    testing::Values(
        NextCase{"daily, later today", "Europe/Berlin", daily({2026, 12, 1}, 21, 0), "2026-12-10 12:00",
                 "2026-12-10 20:00"},
        NextCase{"daily, at its minute counts", "Europe/Berlin", daily({2026, 12, 1}, 21, 0), "2026-12-10 20:00",
                 "2026-12-10 20:00"},
        NextCase{"daily, passed today", "Europe/Berlin", daily({2026, 12, 1}, 21, 0), "2026-12-10 20:01",
                 "2026-12-11 20:00"},
        NextCase{"every third day across a month end", "UTC", daily({2027, 1, 30}, 6, 15, 3), "2027-01-31 00:00",
                 "2027-02-02 06:15"},
        NextCase{"not before its first day", "UTC", daily({2027, 5, 1}, 6, 0), "2027-01-01 00:00",
                 "2027-05-01 06:00"},
        NextCase{"weekly Monday and Thursday", "America/New_York",
                 weekly({2026, 12, 6}, 9, 30, weekday_bit::monday | weekday_bit::thursday), "2026-12-08 00:00",
                 "2026-12-10 14:30"},
        NextCase{"every second week skips the week between", "UTC",
                 weekly({2026, 12, 6}, 9, 30, weekday_bit::monday, 2), "2026-12-08 00:00", "2026-12-21 09:30"},
        NextCase{"monthly on the 31st skips short months", "UTC", monthly({2027, 1, 1}, 8, 0, day_bit(31)),
                 "2027-03-31 09:00", "2027-05-31 08:00"},
        NextCase{"29 February waits for a leap year", "UTC", monthly({2027, 1, 1}, 8, 0, day_bit(29), 0x0002),
                 "2027-01-01 00:00", "2028-02-29 08:00"},
        NextCase{"monthly on the 1st across the year end", "Asia/Kolkata", monthly({2026, 1, 1}, 0, 15, day_bit(1)),
                 "2026-12-20 00:00", "2026-12-31 18:45"},
        NextCase{"once, still ahead", "Europe/Berlin", make(TriggerType::once, {2027, 2, 3}, 7, 45),
                 "2027-01-01 00:00", "2027-02-03 06:45"},
        NextCase{"once, passed", "Europe/Berlin", make(TriggerType::once, {2026, 2, 3}, 7, 45), "2026-12-01 00:00",
                 ""},
        NextCase{"at system start has no time", "UTC", make(TriggerType::at_system_start, {2026, 1, 1}, 0, 0),
                 "2026-12-01 00:00", ""},
        // Spring: 02:00 to 03:00 does not exist; cron starts such a line at the change.
        NextCase{"Berlin, a skipped minute runs at the change", "Europe/Berlin", daily({2027, 3, 1}, 2, 30),
                 "2027-03-28 00:00", "2027-03-28 01:00"},
        NextCase{"New York, a skipped minute runs at the change", "America/New_York", daily({2027, 3, 1}, 2, 30),
                 "2027-03-14 05:00", "2027-03-14 07:00"},
        // Autumn: 02:00 to 03:00 (Berlin), 01:00 to 02:00 (New York) come twice; the first counts.
        NextCase{"Berlin, a repeated minute runs the first time", "Europe/Berlin", daily({2027, 3, 1}, 2, 30),
                 "2027-10-30 23:00", "2027-10-31 00:30"},
        NextCase{"Berlin, not again the second time", "Europe/Berlin", daily({2027, 3, 1}, 2, 30),
                 "2027-10-31 00:31", "2027-11-01 01:30"},
        NextCase{"New York, a repeated minute runs the first time", "America/New_York", daily({2027, 3, 1}, 1, 30),
                 "2027-11-07 04:00", "2027-11-07 05:30"},
        NextCase{"the day after a change keeps its wall-clock time", "America/New_York", daily({2027, 3, 1}, 21, 0),
                 "2027-11-07 12:00", "2027-11-08 02:00"}),
    [](const testing::TestParamInfo<NextCase>& info) { return "case" + std::to_string(info.index); });

TEST(LastRun, FindsTheLatestStartBeforeAnInstant) {
    taskplan_test::ZoneGuard zone("Europe/Berlin");
    const auto trigger = daily({2026, 12, 1}, 21, 0);
    EXPECT_EQ(utc_text(*last_run_before(trigger, utc("2026-12-10 19:00"))), "2026-12-09 20:00");
    EXPECT_EQ(utc_text(*last_run_before(trigger, utc("2026-12-10 20:01"))), "2026-12-10 20:00");
    EXPECT_FALSE(last_run_before(trigger, utc("2026-12-01 19:00")));  // before its first start
}

TEST(Weekdays, FollowTheCalendar) {
    EXPECT_EQ(weekday_of({1970, 1, 1}), 4);  // a Thursday
    EXPECT_EQ(weekday_of({2026, 12, 10}), 4);
    EXPECT_EQ(weekday_of({2028, 2, 29}), 2);
    EXPECT_EQ(add_days({2028, 2, 28}, 2), (LocalDay{2028, 3, 1}));
    EXPECT_EQ(add_days({2027, 1, 1}, -1), (LocalDay{2026, 12, 31}));
}

}  // namespace
}  // namespace taskplan
