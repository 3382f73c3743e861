#include "basekit/char.h"

#include <gtest/gtest.h>

namespace bk {
namespace {

using C = UnicodeCategory;

TEST(Char, CategoriesOfKnownCodeUnits) {
    const struct {
        char16_t unit;
        UnicodeCategory category;
    } cases[] = {
        {u'A', C::Lu},    {u'z', C::Ll},    {0x01C5, C::Lt},  {0x02B0, C::Lm},  {0x4E2D, C::Lo},
        {0x3400, C::Lo},  {0x4DBF, C::Lo},  {0x9FFF, C::Lo},  {0xAC00, C::Lo},  {0xD7A3, C::Lo},  // range ends
        {0x0301, C::Mn},  {0x0903, C::Mc},  {0x20DD, C::Me},  {u'7', C::Nd},    {0x0661, C::Nd},
        {0x2160, C::Nl},  {0x00BD, C::No},  {u' ', C::Zs},    {0x2028, C::Zl},  {0x2029, C::Zp},
        {0x0000, C::Cc},  {0x0085, C::Cc},  {0x200B, C::Cf},  {0xFEFF, C::Cf},  {0xD800, C::Cs},
        {0xDB80, C::Cs},  {0xDFFF, C::Cs},  {0xE000, C::Co},  {0xF8FF, C::Co},  {u'_', C::Pc},
        {u'-', C::Pd},    {u'(', C::Ps},    {u')', C::Pe},    {0x00AB, C::Pi},  {0x00BB, C::Pf},
        {u'!', C::Po},    {u'+', C::Sm},    {u'$', C::Sc},    {0x20AC, C::Sc},  {u'^', C::Sk},
        {0x00A9, C::So},  {0x0378, C::Cn},  {0xFDD0, C::Cn},  {0xFFFE, C::Cn},  {0xFFFF, C::Cn},
    };
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(Char::category(c.unit)), static_cast<int>(c.category)) << std::hex << int(c.unit);
}

TEST(Char, Whitespace) {
    for (char16_t yes : {u'\t', u'\n', u'\r', char16_t(0x0B), char16_t(0x0C), u' ', char16_t(0x85),
                         char16_t(0xA0), char16_t(0x2028), char16_t(0x2029), char16_t(0x3000)})
        EXPECT_TRUE(Char::is_whitespace(yes)) << std::hex << int(yes);
    for (char16_t no : {char16_t(0x200B), char16_t(0x08), u'x', char16_t(0xFEFF), char16_t(0x1C)})
        EXPECT_FALSE(Char::is_whitespace(no)) << std::hex << int(no);
}

TEST(Char, PredicatesCoverTheirCategories) {
    EXPECT_TRUE(Char::is_upper(u'\u00C9'));
    EXPECT_FALSE(Char::is_upper(u'\u00E9'));
    EXPECT_TRUE(Char::is_lower(u'\u00E9'));
    EXPECT_TRUE(Char::is_letter(0x01C5));  // Lt
    EXPECT_TRUE(Char::is_letter(0x4E2D));
    EXPECT_FALSE(Char::is_letter(u'1'));
    EXPECT_TRUE(Char::is_digit(0x0663));
    EXPECT_FALSE(Char::is_digit(0x00BD));
    EXPECT_TRUE(Char::is_number(0x00BD));
    EXPECT_TRUE(Char::is_number(0x2160));
    EXPECT_TRUE(Char::is_seperator(0x2029));
    EXPECT_FALSE(Char::is_seperator(u'\t'));
    EXPECT_TRUE(Char::is_punctuation(0x00BB));
    EXPECT_TRUE(Char::is_punctuation(u'_'));
    EXPECT_FALSE(Char::is_punctuation(u'+'));
    EXPECT_TRUE(Char::is_symbol(u'+'));
    EXPECT_TRUE(Char::is_symbol(0x00A9));
    EXPECT_FALSE(Char::is_symbol(u'a'));
}

}  // namespace
}  // namespace bk
