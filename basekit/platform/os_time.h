#pragma once
// Time and locale services of the platform.
#include <cstdint>
#include <string>

namespace bk::os {

// The current UTC time in microseconds since 1970-01-01 00:00 UTC.
std::int64_t now_microseconds();

// The local time zone's offset from UTC, in seconds, at the given UTC instant
// (daylight saving included), as the zone database of the platform says.
// Throws when the platform cannot tell.
std::int64_t local_offset_seconds(std::int64_t utc_seconds);

// The name of the user's locale for dates and times ("zh_CN.UTF-8", "C", ...):
// LC_ALL, else LC_TIME, else LANG; empty when none is set.
std::string time_locale_name();

}  // namespace bk::os
