#pragma once
// The flag word of the system's message box and the ids of its buttons. The
// values are those of the Windows message box, which the callers and the
// stored never-show answers are written in.
#include <cstdint>

namespace mb {
// Buttons (the low four bits).
inline constexpr int ok = 0x0;
inline constexpr int ok_cancel = 0x1;
inline constexpr int abort_retry_ignore = 0x2;
inline constexpr int yes_no_cancel = 0x3;
inline constexpr int yes_no = 0x4;
inline constexpr int retry_cancel = 0x5;
inline constexpr int cancel_try_continue = 0x6;
inline constexpr int buttons_mask = 0xF;
// Icons.
inline constexpr int icon_error = 0x10;
inline constexpr int icon_question = 0x20;
inline constexpr int icon_warning = 0x30;
inline constexpr int icon_information = 0x40;
inline constexpr int icon_mask = 0xF0;
// Which button is the default one.
inline constexpr int default_button2 = 0x100;
inline constexpr int default_button3 = 0x200;
inline constexpr int default_mask = 0xF00;
inline constexpr int system_modal = 0x1000;
inline constexpr int help = 0x4000;
// The check boxes under the text.
inline constexpr int apply_to_all_check = 0x1000000;
inline constexpr int never_show_check = 0x4000000;
}  // namespace mb

// The ids a message box returns: the pressed button.
namespace button_id {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int abort = 3;
inline constexpr int retry = 4;
inline constexpr int ignore = 5;
inline constexpr int yes = 6;
inline constexpr int no = 7;
inline constexpr int try_again = 10;
inline constexpr int continue_ = 11;
}  // namespace button_id

// A help context of -1 means the box has none.
inline constexpr int no_help_context = -1;
