#include "core/engine/full_backup_trigger.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "basekit/date.h"

namespace brim {
namespace {

// Runs each case in a chosen time zone and puts TZ back afterwards.
class Zone {
public:
    explicit Zone(const char* zone) {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~Zone() {
        if (saved_.empty()) ::unsetenv("TZ");
        else ::setenv("TZ", saved_.c_str(), 1);
        ::tzset();
    }
    Zone(const Zone&) = delete;
    Zone& operator=(const Zone&) = delete;

private:
    std::string saved_;
};

std::int64_t utc(int year, int month, int day, int hour = 12) { return bk::Date(year, month, day, hour, 0, 0).time(); }

TriggerData weekly(std::int16_t interval, std::uint16_t days) {
    TriggerData trigger;
    trigger.kind = TriggerData::Kind::weekly;
    trigger.interval = interval;
    trigger.days_of_week = days;
    return trigger;
}

TriggerData monthly(int day) {
    TriggerData trigger;
    trigger.kind = TriggerData::Kind::monthly;
    trigger.value = day;
    return trigger;
}

TriggerData count(int runs) {
    TriggerData trigger;
    trigger.kind = TriggerData::Kind::count;
    trigger.value = runs;
    return trigger;
}

constexpr std::uint16_t monday = 0x2, tuesday = 0x4, thursday = 0x10;

struct Case {
    const char* name;
    const char* zone;
    TriggerData trigger;
    std::uint32_t runs;
    std::int64_t last_full;
    std::int64_t now;
    bool due;
};

TEST(FullBackupTrigger, FiresOncePerPeriodCountedFromTheNewestFullRun) {
    // 2026-03-02, 03-09, 03-16 and 03-23 are Mondays.
    const Case cases[] = {
        {"count below", "UTC", count(3), 2, utc(2026, 3, 2), utc(2026, 3, 3), false},
        {"count reached", "UTC", count(3), 3, utc(2026, 3, 2), utc(2026, 3, 3), true},
        {"count 0 never", "UTC", count(0), 40, utc(2026, 3, 2), utc(2026, 3, 3), false},

        {"weekly, same day as the full run", "UTC", weekly(1, monday), 1, utc(2026, 3, 2, 9), utc(2026, 3, 2, 21), false},
        {"weekly, a later chosen day of the same week", "UTC", weekly(1, monday | thursday), 2, utc(2026, 3, 2),
         utc(2026, 3, 5), true},
        {"weekly, a day that is not chosen", "UTC", weekly(0, monday), 3, utc(2026, 3, 2), utc(2026, 3, 10), false},
        {"weekly, within the interval", "UTC", weekly(1, monday), 5, utc(2026, 3, 2), utc(2026, 3, 9), false},
        {"weekly, past the interval", "UTC", weekly(1, monday), 9, utc(2026, 3, 2), utc(2026, 3, 16), true},
        // Measured from the job's creation this fired on every chosen day
        // once the interval had passed, rewriting the set each time.
        {"weekly, a week after a triggered full run", "UTC", weekly(1, monday), 4, utc(2026, 3, 16), utc(2026, 3, 23),
         false},
        {"weekly, later the same day as a triggered full run", "UTC", weekly(0, monday), 2, utc(2026, 3, 16, 9),
         utc(2026, 3, 16, 15), false},
        {"weekly, every week", "UTC", weekly(0, tuesday), 6, utc(2026, 3, 3), utc(2026, 3, 10), true},

        {"monthly, before the day", "UTC", monthly(15), 9, utc(2026, 3, 2), utc(2026, 3, 14), false},
        {"monthly, on the day", "UTC", monthly(15), 9, utc(2026, 3, 2), utc(2026, 3, 15, 8), true},
        // An hourly job made a full run at every run of its day.
        {"monthly, later the same day as its full run", "UTC", monthly(15), 2, utc(2026, 3, 15, 8),
         utc(2026, 3, 15, 20), false},
        {"monthly, after the day, full run done", "UTC", monthly(15), 5, utc(2026, 3, 15), utc(2026, 3, 20), false},
        {"monthly, the day was missed", "UTC", monthly(15), 30, utc(2026, 3, 15), utc(2026, 4, 16), true},
        {"monthly, day 31 in February", "UTC", monthly(31), 30, utc(2026, 1, 31), utc(2026, 2, 28), true},
        {"monthly, day 31 before February ends", "UTC", monthly(31), 30, utc(2026, 1, 31), utc(2026, 2, 27), false},
        {"monthly, leap day", "UTC", monthly(29), 30, utc(2028, 1, 30), utc(2028, 2, 29), true},
        {"monthly, day 0 never", "UTC", monthly(0), 30, utc(2026, 1, 31), utc(2026, 2, 27), false},
        // 2026-03-14 20:00 UTC is already the 15th in India: the user's day counts.
        {"monthly, the local day", "Asia/Kolkata", monthly(15), 9, utc(2026, 3, 1), utc(2026, 3, 14, 20), true},
        {"monthly, the local day not yet", "America/New_York", monthly(15), 9, utc(2026, 3, 1), utc(2026, 3, 15, 2),
         false},
    };
    for (const Case& c : cases) {
        const Zone zone(c.zone);
        EXPECT_EQ(full_backup_due(c.trigger, c.runs, c.last_full, c.now), c.due) << c.name;
    }
}

}  // namespace
}  // namespace brim
