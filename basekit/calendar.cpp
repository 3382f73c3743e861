#include "basekit/calendar.h"

namespace bk::calendar {

// The well-known era-based conversion: a 400-year era has 146097 days.
std::int64_t days_from_civil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = floor_div(year, 400);
    const std::int64_t year_of_era = year - era * 400;
    const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

CivilDate civil_from_days(std::int64_t days) {
    days += 719468;
    const std::int64_t era = floor_div(days, 146097);
    const std::int64_t day_of_era = days - era * 146097;
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t mp = (5 * day_of_year + 2) / 153;
    const int day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {year_of_era + era * 400 + (month <= 2), month, day};
}

int weekday_from_days(std::int64_t days) {
    // 1970-01-01 was a Thursday.
    return static_cast<int>(days >= -4 ? (days + 4) % 7 : (days + 5) % 7 + 6);
}

}  // namespace bk::calendar
