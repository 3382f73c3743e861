#pragma once
// What a message box shows, read from its flag word: the plain logic behind
// the dialog, so that it can be checked without a display.
#include <cstdint>
#include <vector>

#include "basekit/types.h"
#include "uictl/message_box_flags.h"

namespace uictl {

enum class BoxIcon { none, error, question, warning, information };
enum class BoxCheck { none, never_show_again, apply_to_all };

struct MessageBoxLayout {
    std::vector<int> buttons;  // button ids, left to right
    int default_button = button_id::ok;
    int escape_button = 0;  // the answer of Esc or closing the window; 0: they do nothing
    BoxIcon icon = BoxIcon::none;
    BoxCheck check = BoxCheck::none;
    bool help = false;
    // An error box that is also system-modal is the platform's own box.
    bool platform_box = false;
    bk::String title;
};

// The layout for `flags`; an empty `title` gives the product's name.
MessageBoxLayout layout_of_message_box(int flags, bk::StringView title);

// The string-table entry of a button's text.
std::uint32_t button_text_id(int button);

}  // namespace uictl
