#include "basekit/char.h"

#include "basekit/char_table.h"

namespace bk {
namespace {

bool in(char16_t c, UnicodeCategory first, UnicodeCategory last) {
    const auto category = Char::category(c);
    return category >= first && category <= last;
}

}  // namespace

UnicodeCategory Char::category(char16_t c) { return static_cast<UnicodeCategory>(char_table::category_of(c)); }

bool Char::is_upper(char16_t c) { return category(c) == UnicodeCategory::Lu; }
bool Char::is_lower(char16_t c) { return category(c) == UnicodeCategory::Ll; }
bool Char::is_letter(char16_t c) { return in(c, UnicodeCategory::Lu, UnicodeCategory::Lo); }
bool Char::is_digit(char16_t c) { return category(c) == UnicodeCategory::Nd; }
bool Char::is_number(char16_t c) { return in(c, UnicodeCategory::Nd, UnicodeCategory::No); }
bool Char::is_seperator(char16_t c) { return in(c, UnicodeCategory::Zs, UnicodeCategory::Zp); }
bool Char::is_punctuation(char16_t c) { return in(c, UnicodeCategory::Pc, UnicodeCategory::Po); }
bool Char::is_symbol(char16_t c) { return in(c, UnicodeCategory::Sm, UnicodeCategory::So); }

bool Char::is_whitespace(char16_t c) {
    if (category(c) == UnicodeCategory::Zs) return true;
    return (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

}  // namespace bk
