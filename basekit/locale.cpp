#include "basekit/locale.h"

#include <optional>

#include "basekit/convertion.h"
#include "basekit/platform/os_time.h"

namespace bk {

const Locale Locale::US(u"en", u"US", u"", 0x0409);
const Locale Locale::CHINA(u"zh", u"CN", u"", 0x0804);
const Locale Locale::TAIWAN(u"zh", u"TW", u"", 0x0404);

namespace {

// "ll_CC.codeset@modifier" into its parts.
Locale from_name(const std::string& name) {
    const std::string base = name.substr(0, name.find_first_of(".@"));
    const auto underscore = base.find('_');
    const String language = from_utf8(base.substr(0, underscore));
    const String country = underscore == std::string::npos ? String() : from_utf8(base.substr(underscore + 1));
    for (const Locale* known : {&Locale::US, &Locale::CHINA, &Locale::TAIWAN})
        if (known->language() == language && known->country() == country) return *known;
    if (language.empty() || language == u"C" || language == u"POSIX") return Locale::US;
    return Locale(language, country);
}

std::optional<Locale>& chosen() {
    static std::optional<Locale> locale;
    return locale;
}

}  // namespace

const Locale& Locale::current_locale() {
    auto& locale = chosen();
    if (!locale) locale = from_environment();
    return *locale;
}

void Locale::current_locale(const Locale& locale) { chosen() = locale; }

Locale Locale::from_environment() { return from_name(os::time_locale_name()); }

String Locale::to_string() const {
    String text = language_ + u"_" + country_;
    if (!variant_.empty()) text += u"_" + variant_;
    return text;
}

bool Locale::uses_chinese_dates() const {
    return language_ == u"zh" && (country_ == u"CN" || country_ == u"TW");
}

}  // namespace bk
