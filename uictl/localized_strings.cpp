#include "uictl/localized_strings.h"

namespace uictl {

LocalizedStrings::LocalizedStrings(std::initializer_list<bk::StringEntry> chinese,
                                   std::initializer_list<bk::StringEntry> english)
    : chinese_(chinese), english_(english) {}

const bk::StringTable& LocalizedStrings::table() const {
    return table(ui_language());
}

const bk::StringTable& LocalizedStrings::table(UiLanguage language) const {
    return language == UiLanguage::chinese ? chinese_ : english_;
}

bk::String LocalizedStrings::text(std::uint32_t id) const {
    return table().text(id);
}

bk::String LocalizedStrings::format(std::uint32_t id, std::initializer_list<bk::FormatArg> args) const {
    return bk::format_text(text(id), args);
}

}  // namespace uictl
