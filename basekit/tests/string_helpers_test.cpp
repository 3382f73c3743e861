#include "basekit/string_helpers.h"

#include <gtest/gtest.h>

#include "basekit/exception.h"
#include "basekit/os_version.h"

namespace bk {
namespace {

TEST(StringHelpers, FindAny) {
    EXPECT_EQ(find_any(u"a;b,c", 0, u",;"), 1);
    EXPECT_EQ(find_any(u"a;b,c", 2, u",;"), 3);
    EXPECT_EQ(find_any(u"a;b,c", 4, u",;"), -1);
    EXPECT_EQ(find_any(u"abc", 3, u"a"), -1);  // start at the length: nothing left
    EXPECT_EQ(find_any(u"abc", 0, u""), -1);
    try {
        find_any(u"abc", 4, u"a");
        FAIL();
    } catch (const OutOfRangeException& e) {
        EXPECT_EQ(e.message(), u"The off out of the string range");
    }
    EXPECT_THROW(find_any(u"abc", -1, u"a"), OutOfRangeException);
}

TEST(StringHelpers, FindLastOfAny) {
    EXPECT_EQ(find_last_of_any(u"a;b,c", 4, u",;"), 3);
    EXPECT_EQ(find_last_of_any(u"a;b,c", 2, u",;"), 1);
    EXPECT_EQ(find_last_of_any(u"a;b,c", 0, u",;"), -1);
    EXPECT_EQ(find_last_of_any(u"abc", -1, u"a"), -1);
    EXPECT_EQ(find_last_of_any(u"", -1, u"a"), -1);
    try {
        find_last_of_any(u"abc", 3, u"a");
        FAIL();
    } catch (const OutOfRangeException& e) {
        EXPECT_EQ(e.message(), u"The off out of the string range");
    }
    EXPECT_THROW(find_last_of_any(u"", 0, u"a"), OutOfRangeException);
}

TEST(StringHelpers, TrimTakesBlanksOnly) {
    const struct {
        String in, out;
    } cases[] = {
        {u"  x  ", u"x"}, {u"\tx", u"\tx"}, {u"x\n ", u"x\n"}, {u"   ", u""},
        {u"", u""},       {u"a b", u"a b"}, {u" \u3000 ", u"\u3000"},
    };
    for (const auto& c : cases) EXPECT_EQ(trim(c.in), c.out);
}

TEST(StringHelpers, ReplaceChar) {
    EXPECT_EQ(replace_char(u"a/b/c", u'/', u'\\'), u"a\\b\\c");
    EXPECT_EQ(replace_char(u"", u'/', u'\\'), u"");
}

TEST(StringHelpers, SplitString) {
    const struct {
        String s, separators;
        std::vector<String> pieces;
    } cases[] = {
        {u"a;b;", u";", {u"a", u"b"}},
        {u"a;;b", u";", {u"a", u"", u"b"}},
        {u";a", u";", {u"", u"a"}},
        {u"a;b,c", u";,", {u"a", u"b", u"c"}},
        {u"a;;", u";", {u"a", u""}},
        {u";", u";", {u""}},
        {u"abc", u";", {u"abc"}},
        {u"a;b", u"", {u"a;b"}},
        {u"", u";", {}},
    };
    for (const auto& c : cases) {
        std::vector<String> out = {u"kept"};
        split_string(c.s, out, c.separators);
        std::vector<String> expected = {u"kept"};  // pieces are appended
        expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(out, expected);
    }
}

TEST(OsVersion, LinuxTakesEveryNtBranch) {
    EXPECT_EQ(running_os_version(), OSVersion::win2003_and_later);
    EXPECT_GT(static_cast<int>(running_os_version()), 4);
}

}  // namespace
}  // namespace bk
