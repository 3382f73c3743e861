#pragma once
// Proleptic Gregorian calendar arithmetic on day numbers (days since
// 1970-01-01), valid for every year a 64-bit count can reach.
#include <cstdint>

namespace bk::calendar {

struct CivilDate {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

std::int64_t days_from_civil(std::int64_t year, int month, int day);
CivilDate civil_from_days(std::int64_t days);
// 0 Sunday .. 6 Saturday.
int weekday_from_days(std::int64_t days);

// Floor division, so that times before 1970 fall on the right day.
inline std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

}  // namespace bk::calendar
