#pragma once
// The language of the GUI's texts. The system's own texts are Chinese; an
// English table stands beside each of them. The locale chooses, and the
// user's options may force one.
#include <optional>
#include <string_view>

namespace uictl {

enum class UiLanguage { chinese, english };

// The language a locale name selects: names of the zh family ("zh_CN.UTF-8",
// "zh_TW", "zh") give Chinese, any other name (or none) English.
UiLanguage language_of_locale(std::string_view locale_name);

// The language of the process's environment, read the way the C library
// reads it for messages: LC_ALL, else LC_MESSAGES, else LANG; the first one
// that is set and not empty decides.
UiLanguage language_of_environment();

// The language every table of the GUI speaks: the forced one when there is
// one, else the environment's. GUI thread only.
UiLanguage ui_language();
// Forces a language (the user's option), or gives the choice back to the
// environment with nullopt.
void force_ui_language(std::optional<UiLanguage> language);

}  // namespace uictl
