#pragma once
// The string table of one GUI deliverable in both of its languages: the
// system's own texts (Chinese) and the English table written beside them.
// Entries are addressed by the same numbers in both.
#include <cstdint>
#include <initializer_list>

#include "basekit/string_table.h"
#include "basekit/text_format.h"
#include "basekit/types.h"
#include "uictl/ui_language.h"

namespace uictl {

class LocalizedStrings final {
public:
    LocalizedStrings(std::initializer_list<bk::StringEntry> chinese, std::initializer_list<bk::StringEntry> english);

    // The table of the language the GUI speaks now (ui_language()).
    const bk::StringTable& table() const;
    const bk::StringTable& table(UiLanguage language) const;

    // The entry's text in the current language; empty when it is missing.
    bk::String text(std::uint32_t id) const;
    // The entry filled printf-style with `args`.
    bk::String format(std::uint32_t id, std::initializer_list<bk::FormatArg> args) const;

private:
    bk::StringTable chinese_;
    bk::StringTable english_;
};

}  // namespace uictl
