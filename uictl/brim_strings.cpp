#include "uictl/brim_strings.h"

#include "uictl/uictl_strings.h"

int BrimLoadString(const uictl::LocalizedStrings& module, std::uint32_t id, bk::String& text) {
    text = module.text(id);
    return static_cast<int>(text.size());
}

int BrimFormatString(bk::String& text, std::uint32_t id, std::initializer_list<bk::FormatArg> args) {
    text = uictl::uictl_strings().format(id, args);
    return static_cast<int>(text.size());
}
