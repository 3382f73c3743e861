#include "uictl/message_box_layout.h"

#include "uictl/uictl_strings.h"

namespace uictl {
namespace {

std::vector<int> buttons_of(int flags) {
    namespace id = button_id;
    switch (flags & mb::buttons_mask) {
        case mb::ok_cancel: return {id::ok, id::cancel};
        case mb::abort_retry_ignore: return {id::abort, id::retry, id::ignore};
        case mb::yes_no_cancel: return {id::yes, id::no, id::cancel};
        case mb::yes_no: return {id::yes, id::no};
        case mb::retry_cancel: return {id::retry, id::cancel};
        case mb::cancel_try_continue: return {id::cancel, id::try_again, id::continue_};
        default: return {id::ok};
    }
}

BoxIcon icon_of(int flags) {
    switch (flags & mb::icon_mask) {
        case mb::icon_error: return BoxIcon::error;
        case mb::icon_question: return BoxIcon::question;
        case mb::icon_warning: return BoxIcon::warning;
        case mb::icon_information: return BoxIcon::information;
        default: return BoxIcon::none;
    }
}

// Like the platform's box: Esc and the close button answer Cancel where
// there is one, and OK on a box that has nothing else.
int escape_of(const std::vector<int>& buttons) {
    for (int button : buttons) {
        if (button == button_id::cancel) return button;
    }
    return buttons.size() == 1 ? buttons.front() : 0;
}

int default_of(int flags, const std::vector<int>& buttons) {
    std::size_t index = 0;
    if ((flags & mb::default_mask) == mb::default_button2) index = 1;
    if ((flags & mb::default_mask) == mb::default_button3) index = 2;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

BoxCheck check_of(int flags) {
    if ((flags & mb::never_show_check) != 0) return BoxCheck::never_show_again;
    if ((flags & mb::apply_to_all_check) != 0) return BoxCheck::apply_to_all;
    return BoxCheck::none;
}

}  // namespace

MessageBoxLayout layout_of_message_box(int flags, bk::StringView title) {
    MessageBoxLayout layout;
    layout.buttons = buttons_of(flags);
    layout.default_button = default_of(flags, layout.buttons);
    layout.escape_button = escape_of(layout.buttons);
    layout.icon = icon_of(flags);
    layout.check = check_of(flags);
    layout.help = (flags & mb::help) != 0;
    layout.platform_box = (flags & mb::icon_mask) == mb::icon_error && (flags & mb::system_modal) != 0;
    layout.title = title.empty() ? uictl_strings().text(text_id::product_name) : bk::String(title);
    return layout;
}

std::uint32_t button_text_id(int button) {
    switch (button) {
        case button_id::ok: return text_id::ok_button;
        case button_id::cancel: return text_id::cancel_button;
        case button_id::abort: return text_id::abort_button;
        case button_id::retry: return text_id::retry_button;
        case button_id::ignore: return text_id::ignore_button;
        case button_id::yes: return text_id::yes_button;
        case button_id::no: return text_id::no_button;
        case button_id::try_again: return text_id::try_again_button;
        default: return text_id::continue_button;
    }
}

}  // namespace uictl
