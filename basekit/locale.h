#pragma once
#include <cstdint>

#include "basekit/types.h"

namespace bk {

// A language and country, chosen from the user's environment on Linux.
class Locale final {
public:
    Locale() = default;
    Locale(String language, String country, String variant = {}, std::int32_t id = 0)
        : language_(std::move(language)), country_(std::move(country)),
          variant_(std::move(variant)), id_(id) {}

    static const Locale US;
    static const Locale CHINA;
    static const Locale TAIWAN;

    // The locale of the user's dates and times: LC_ALL, LC_TIME or LANG
    // ("zh_CN.UTF-8" gives zh_CN); US when none names a language.
    static const Locale& current_locale();
    static void current_locale(const Locale& locale);
    // The locale the environment names now (LC_ALL, LC_TIME, LANG).
    static Locale from_environment();

    // language_country, and _variant when there is a variant (en_US).
    String to_string() const;
    const String& language() const { return language_; }
    const String& country() const { return country_; }
    const String& variant() const { return variant_; }
    std::int32_t id() const { return id_; }
    // zh_CN and zh_TW read and write dates in the Chinese patterns.
    bool uses_chinese_dates() const;

    friend bool operator==(const Locale&, const Locale&) = default;

private:
    String language_;
    String country_;
    String variant_;
    std::int32_t id_ = 0;
};

}  // namespace bk
