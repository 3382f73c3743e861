#include "basekit/time_zone.h"

#include <memory>

#include "basekit/calendar.h"
#include "basekit/date.h"
#include "basekit/platform/os_time.h"

namespace bk {
namespace {

std::unique_ptr<TimeZone>& zone_instance() {
    static std::unique_ptr<TimeZone> instance;
    return instance;
}

}  // namespace

TimeZone& TimeZone::current_time_zone() {
    auto& instance = zone_instance();
    if (!instance) instance = std::make_unique<TimeZone>();
    return *instance;
}

void TimeZone::del_current_time_zone() { zone_instance().reset(); }

std::int64_t TimeZone::offset(std::int64_t time) const {
    const std::int64_t seconds = calendar::floor_div(time, microseconds_per_second);
    return os::local_offset_seconds(seconds) * microseconds_per_second;
}

std::int64_t TimeZone::offset_of_local(std::int64_t local) const {
    // The offset of the instant this wall-clock time most likely names: try
    // the offset at the wall clock read as UTC, then correct once.
    const std::int64_t guess = local - offset(local);
    return offset(guess);
}

}  // namespace bk
