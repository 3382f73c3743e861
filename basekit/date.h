#pragma once
// The one time value of the system: a signed 64-bit count of microseconds
// since 1970-01-01 00:00 UTC, in memory, in archives and in stores.
#include <cstdint>

#include "basekit/types.h"

namespace bk {

enum class Weekday : int { Sunday = 0, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday };
enum class TimePattern : int { Short = 0, Long = 1 };
enum class DatePattern : int { Short = 0, Long = 1, MonthDay = 2, YearMonth = 3 };
// 0: short date, a blank, short time; 1: long date, a blank, long time;
// 2: long date immediately followed by long time.
enum class FullDatePattern : int { Short = 0, Long = 1, LongJoined = 2 };

inline constexpr std::int64_t microseconds_per_second = 1000000;
inline constexpr std::int64_t microseconds_per_minute = 60000000;
inline constexpr std::int64_t microseconds_per_hour = 3600000000;
inline constexpr std::int64_t microseconds_per_day = 86400000000;
// Between 1601-01-01 (the platform file-time epoch) and 1970-01-01.
inline constexpr std::int64_t file_time_epoch_offset = 11644473600000000;

// The platform's 100-nanosecond count since 1601-01-01 UTC.
struct FileTime {
    std::int64_t value;
};

class TimeSpan {
public:
    explicit TimeSpan(std::int64_t microseconds = 0) : span_(microseconds) {}
    std::int64_t span() const { return span_; }
    // Whole days, truncated toward zero.
    std::int64_t days() const { return span_ / microseconds_per_day; }

private:
    std::int64_t span_;
};

class Date {
public:
    // The current time.
    Date();
    explicit Date(std::int64_t time) : time_(time) {}
    explicit Date(FileTime file_time) : time_(file_time.value / 10 - file_time_epoch_offset) {}
    // A UTC calendar time; ArgumentException("Parameters describe an
    // unrepresentable DateTime.") outside 1601..30827 or for a part out of range.
    Date(int year, int month, int day, int hour, int minute, int second, int millisecond = 0);

    // The current time: the one source of "now" of the whole system, so that
    // triggers, names made of dates, report times and schedules all follow
    // a clock that tests can set.
    static std::int64_t now_time();
    // A clock in place of the system's (for tests); nullptr puts the
    // system's clock back. Any thread may read the time while it is set.
    using Clock = std::int64_t (*)();
    static void set_clock(Clock clock);
    static bool is_leap_year(int year);
    // Days of the month, 0 for a month outside 1..12.
    static int days_in_month(int year, int month);
    // Parses the full pattern 0 of the current locale (what to_string() writes)
    // as local time; FormatException("The date string format is unexpected").
    static Date parse(StringView text);

    std::int64_t time() const { return time_; }
    void time(std::int64_t t) { time_ = t; }
    FileTime file_time() const { return {(time_ + file_time_epoch_offset) * 10}; }

    // UTC calendar parts; 0 when the time lies outside what the platform's
    // calendar can hold (before 1601 or after 30827).
    int year() const;
    int month() const;
    int day() const;
    Weekday day_of_week() const;
    int day_of_year() const;
    int hours() const;
    int minutes() const;
    int seconds() const;

    std::int64_t time_of_day() const;
    void add_days(std::int64_t n) { time_ += n * microseconds_per_day; }
    void add_hours(std::int64_t n) { time_ += n * microseconds_per_hour; }
    TimeSpan subtract(const Date& other) const { return TimeSpan(time_ - other.time_); }

    // This time as local wall-clock microseconds (time + the zone's offset).
    std::int64_t local_time() const;
    // Sets the time from local wall-clock microseconds.
    void local_time(std::int64_t local);

    // Texts in the current locale's patterns; an unknown pattern gives "".
    String to_string(FullDatePattern pattern = FullDatePattern::Short) const;
    String to_date_string(DatePattern pattern) const;
    String to_time_string(TimePattern pattern) const;

    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;

private:
    std::int64_t time_;
};

}  // namespace bk
