#include "uictl/ui_language.h"

#include <cstdlib>

namespace uictl {
namespace {

std::optional<UiLanguage>& forced_language() {
    static std::optional<UiLanguage> forced;
    return forced;
}

}  // namespace

UiLanguage language_of_locale(std::string_view locale_name) {
    const bool chinese = locale_name.starts_with("zh") &&
                         (locale_name.size() == 2 || locale_name[2] == '_' || locale_name[2] == '.' ||
                          locale_name[2] == '@' || locale_name[2] == '-');
    return chinese ? UiLanguage::chinese : UiLanguage::english;
}

UiLanguage language_of_environment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return language_of_locale(value);
    }
    return UiLanguage::english;
}

UiLanguage ui_language() {
    return forced_language().value_or(language_of_environment());
}

void force_ui_language(std::optional<UiLanguage> language) {
    forced_language() = language;
}

}  // namespace uictl
