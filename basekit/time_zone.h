#pragma once
#include <cstdint>

namespace bk {

// The local time zone. Offsets are whole: zones half or three quarters of an
// hour away from UTC (+05:30, +05:45, -03:30) show their true local time.
class TimeZone final {
public:
    // Created on first use; InvalidOperationException("Can't get timezone
    // information.") when the platform cannot tell the zone.
    static TimeZone& current_time_zone();
    static void del_current_time_zone();

    // The local offset from UTC in microseconds at the UTC time `time`.
    std::int64_t offset(std::int64_t time) const;
    // The offset that applies to a local wall-clock time.
    std::int64_t offset_of_local(std::int64_t local) const;
};

}  // namespace bk
