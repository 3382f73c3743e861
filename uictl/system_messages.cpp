#include "uictl/system_messages.h"

#include "basekit/error_code.h"
#include "uictl/brim_message_box.h"
#include "uictl/uictl_strings.h"

namespace uictl {
namespace {

bk::String& provider_error() {
    thread_local bk::String text;
    return text;
}

}  // namespace

void set_network_provider_error(bk::StringView text) {
    provider_error() = bk::String(text);
}

bk::String network_provider_error() {
    return provider_error();
}

}  // namespace uictl

int BrimOutOfMemory() {
    const bk::String text = uictl::uictl_strings().text(uictl::text_id::out_of_memory);
    return BrimMessageBox(text.c_str(), nullptr, mb::ok | mb::icon_error);
}

void ShowSystemError(long code) {
    if (code == 0) return;
    const bk::String text = ErrorToString(code);
    BrimMessageBox(text.c_str(), nullptr, mb::ok | mb::icon_error);
}

bk::String ErrorToString(long code) {
    return bk::system_error(u"", static_cast<std::int32_t>(code));
}

bk::String GetFldError(std::uint32_t string_id, unsigned long error, const char16_t* name) {
    bk::String reason;
    if (error == extended_network_error) {
        reason = uictl::network_provider_error();
        if (reason.empty()) reason = uictl::uictl_strings().text(uictl::text_id::unknown_error);
    } else {
        reason = ErrorToString(static_cast<long>(error));
    }
    return uictl::uictl_strings().format(string_id, {reason, name != nullptr ? name : u""});
}
