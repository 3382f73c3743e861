#include <cstdlib>
#include <ctime>
#include <mutex>

#include "basekit/exception.h"
#include "basekit/platform/os_time.h"

namespace bk::os {

std::int64_t now_microseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

std::int64_t local_offset_seconds(std::int64_t utc_seconds) {
    // tzset reads TZ again, so a zone changed by the user (or a test) applies.
    static std::mutex tz_mutex;
    std::lock_guard lock(tz_mutex);
    ::tzset();
    const auto t = static_cast<time_t>(utc_seconds);
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr)
        throw InvalidOperationException(u"Can't get timezone information.");
    return local.tm_gmtoff;
}

std::string time_locale_name() {
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return {};
}

}  // namespace bk::os
