#pragma once
// Unicode classification of UTF-16 code units by their general category
// (Unicode 15.0, from the Unicode Character Database; a surrogate code unit
// is Cs, a private-use one Co, an unassigned one Cn).
#include <cstdint>

namespace bk {

enum class UnicodeCategory : std::uint8_t {
    Lu = 0, Ll = 1, Lt = 2, Lm = 3, Lo = 4,
    Mn = 5, Mc = 6, Me = 7,
    Nd = 8, Nl = 9, No = 10,
    Zs = 11, Zl = 12, Zp = 13,
    Cc = 14, Cf = 15, Cs = 16, Co = 17,
    Pc = 18, Pd = 19, Ps = 20, Pe = 21, Pi = 22, Pf = 23, Po = 24,
    Sm = 25, Sc = 26, Sk = 27, So = 28,
    Cn = 29
};

class Char final {
public:
    static UnicodeCategory category(char16_t c);

    static bool is_upper(char16_t c);        // Lu
    static bool is_lower(char16_t c);        // Ll
    static bool is_letter(char16_t c);       // Lu, Ll, Lt, Lm, Lo
    static bool is_digit(char16_t c);        // Nd
    static bool is_number(char16_t c);       // Nd, Nl, No
    static bool is_seperator(char16_t c);    // Zs, Zl, Zp
    static bool is_punctuation(char16_t c);  // Pc .. Po
    static bool is_symbol(char16_t c);       // Sm, Sc, Sk, So
    // Zs, or one of U+0009..U+000D, U+0085, U+2028, U+2029.
    static bool is_whitespace(char16_t c);
};

}  // namespace bk
