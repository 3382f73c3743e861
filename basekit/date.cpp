#include "basekit/date.h"

#include <atomic>

#include "basekit/calendar.h"
#include "basekit/date_format.h"
#include "basekit/exception.h"
#include "basekit/platform/os_time.h"
#include "basekit/time_zone.h"

namespace bk {
namespace {

std::atomic<Date::Clock> the_clock{nullptr};

// The platform's calendar holds the years 1601 to 30827.
constexpr int first_year = 1601;
constexpr int last_year = 30827;

struct Parts {
    std::int64_t days;
    calendar::CivilDate civil;
    std::int64_t of_day;
    bool valid;
};

Parts split(std::int64_t time) {
    Parts p{};
    p.days = calendar::floor_div(time, microseconds_per_day);
    p.of_day = time - p.days * microseconds_per_day;
    p.civil = calendar::civil_from_days(p.days);
    p.valid = p.civil.year >= first_year && p.civil.year <= last_year;
    return p;
}

}  // namespace

Date::Date() : time_(now_time()) {}

Date::Date(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    if (year < first_year || year > last_year || month < 1 || month > 12 || day < 1 ||
        day > days_in_month(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || millisecond < 0 || millisecond > 999)
        throw ArgumentException(u"Parameters describe an unrepresentable DateTime.");
    time_ = calendar::days_from_civil(year, month, day) * microseconds_per_day + hour * microseconds_per_hour +
            minute * microseconds_per_minute + second * microseconds_per_second +
            static_cast<std::int64_t>(millisecond) * 1000;
}

std::int64_t Date::now_time() {
    const Clock clock = the_clock.load(std::memory_order_acquire);
    return clock != nullptr ? clock() : os::now_microseconds();
}

void Date::set_clock(Clock clock) { the_clock.store(clock, std::memory_order_release); }

bool Date::is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int Date::days_in_month(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

Date Date::parse(StringView text) { return DateFormat::local_instance().parse(text); }

int Date::year() const {
    const Parts p = split(time_);
    return p.valid ? static_cast<int>(p.civil.year) : 0;
}

int Date::month() const {
    const Parts p = split(time_);
    return p.valid ? p.civil.month : 0;
}

int Date::day() const {
    const Parts p = split(time_);
    return p.valid ? p.civil.day : 0;
}

Weekday Date::day_of_week() const {
    const Parts p = split(time_);
    return static_cast<Weekday>(p.valid ? calendar::weekday_from_days(p.days) : 0);
}

int Date::day_of_year() const {
    const Parts p = split(time_);
    if (!p.valid) return 0;
    return static_cast<int>(p.days - calendar::days_from_civil(p.civil.year, 1, 1)) + 1;
}

int Date::hours() const {
    const Parts p = split(time_);
    return p.valid ? static_cast<int>(p.of_day / microseconds_per_hour) : 0;
}

int Date::minutes() const {
    const Parts p = split(time_);
    return p.valid ? static_cast<int>(p.of_day / microseconds_per_minute % 60) : 0;
}

int Date::seconds() const {
    const Parts p = split(time_);
    return p.valid ? static_cast<int>(p.of_day / microseconds_per_second % 60) : 0;
}

std::int64_t Date::time_of_day() const {
    return time_ - calendar::floor_div(time_, microseconds_per_day) * microseconds_per_day;
}

std::int64_t Date::local_time() const { return time_ + TimeZone::current_time_zone().offset(time_); }

void Date::local_time(std::int64_t local) { time_ = local - TimeZone::current_time_zone().offset(local); }

String Date::to_string(FullDatePattern pattern) const {
    return DateFormat::local_instance().to_full_string(*this, pattern);
}

String Date::to_date_string(DatePattern pattern) const {
    return DateFormat::local_instance().to_date_string(*this, pattern);
}

String Date::to_time_string(TimePattern pattern) const {
    return DateFormat::local_instance().to_time_string(*this, pattern);
}

}  // namespace bk
