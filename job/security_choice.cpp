#include "job/security_choice.h"

#include <array>

#include <QComboBox>

#include "core/jobs/job_options.h"
#include "job/job_strings.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace job {
namespace {

namespace opt = brim::job_option;

struct SecurityKind {
    std::uint32_t text;
    std::uint32_t bits;
};

constexpr std::array<SecurityKind, security_kind_count> security_kinds{{
    {text_id::security_none, 0},
    {text_id::security_password_only, opt::password},
    {text_id::security_xor, opt::cipher_xor},
    {text_id::security_panama, opt::cipher_panama},
    {text_id::security_rijndael, opt::cipher_rijndael},
}};

}  // namespace

void InitSecurityKinds(QComboBox& box) {
    box.clear();
    for (const SecurityKind& kind : security_kinds)
        box.addItem(uictl::to_qstring(job_strings().text(kind.text)), QVariant::fromValue(kind.bits));
}

std::uint32_t SecurityBitsAt(int index) {
    if (index < 0 || index >= security_kind_count) return 0;
    return security_kinds[static_cast<std::size_t>(index)].bits;
}

int SecurityIndexOf(std::uint32_t option_bits) {
    const std::uint32_t cipher = option_bits & opt::cipher_mask;
    for (int index = 2; index < security_kind_count; ++index)
        if (security_kinds[static_cast<std::size_t>(index)].bits == cipher) return index;
    return (option_bits & opt::password) != 0 ? 1 : security_none_index;
}

std::uint32_t CheckPasswordPair(bk::StringView password, bk::StringView confirmation) {
    if (password != confirmation) return text_id::password_mismatch;
    if (password.size() < min_password_length || password.size() > max_password_length)
        return text_id::password_length;
    return 0;
}

void ShowPasswordFault(std::uint32_t text_id) {
    const bk::String message = job_strings().text(text_id);
    const bk::String title = job_strings().text(text_id::password_fault_title);
    BrimMessageBox(message.c_str(), title.c_str(), mb::ok | mb::icon_warning);
}

}  // namespace job
