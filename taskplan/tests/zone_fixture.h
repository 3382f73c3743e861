#pragma once
// Sets TZ for one test and puts it back afterwards; times in and out of the
// tests are written "YYYY-MM-DD HH:MM" in UTC.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace taskplan_test {

class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard() {
        if (saved_) ::setenv("TZ", saved_->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

inline std::int64_t utc(const std::string& text) {
    std::tm parts{};
    ::strptime(text.c_str(), "%Y-%m-%d %H:%M", &parts);
    return static_cast<std::int64_t>(::timegm(&parts)) * 1000000;
}

inline std::string utc_text(std::int64_t instant) {
    const std::time_t seconds = static_cast<std::time_t>(instant / 1000000);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
    return text;
}

}  // namespace taskplan_test
