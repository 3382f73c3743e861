#include "basekit/text_format.h"

#include <gtest/gtest.h>

#include "basekit/string_table.h"

namespace bk {
namespace {

TEST(TextFormat, FillsEachConversion) {
    struct Case {
        String format;
        String expected;
        std::vector<FormatArg> args;
    };
    const String name = u"report%s.txt";
    const Case cases[] = {
        {u"Unable to import jobs from file %s(%s).", u"Unable to import jobs from file a.xml(denied).",
         {u"a.xml", u"denied"}},
        {u"%d files, %u dirs", u"-3 files, 7 dirs", {-3, 7u}},
        {u"%I64d bytes of %I64u", u"-5000000000 bytes of 18446744073709551615",
         {-5000000000LL, 18446744073709551615ULL}},
        {u"%.2f MB", u"1.50 MB", {1.5}},
        {u"100%% done", u"100% done", {}},
        {u"%s", u"report%s.txt", {name}},  // a text from outside stays an argument
        {u"%s and %s", u"one and %s", {u"one"}},  // a missing argument leaves the conversion
        {u"%q", u"%q", {1}},
        {u"%5d|%-4s|%03u", u"   42|ab  |007", {42, u"ab", 7u}},
        {u"\u4E2D%s", u"\u4E2D\u6587", {u"\u6587"}},
    };
    for (const auto& c : cases) {
        String got;
        switch (c.args.size()) {
            case 0: got = format_text(c.format, {}); break;
            case 1: got = format_text(c.format, {c.args[0]}); break;
            case 2: got = format_text(c.format, {c.args[0], c.args[1]}); break;
            default: got = format_text(c.format, {c.args[0], c.args[1], c.args[2]}); break;
        }
        EXPECT_EQ(got, c.expected);
    }
}

TEST(StringTable, LooksUpEntriesByNumber) {
    const StringTable table{{106, u"Internal exception occurred"}, {5, u"five"}, {7, u""}};
    int length = -1;
    const char16_t* text = load_res_string(&table, 106, &length);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(length, 27);
    EXPECT_EQ(String(text, 27), u"Internal exception occurred");
    EXPECT_EQ(load_res_string(&table, 5), table.find(5));
    EXPECT_EQ(load_res_string(&table, 7), nullptr);  // empty entry
    EXPECT_EQ(load_res_string(&table, 8), nullptr);  // missing entry
    EXPECT_EQ(load_res_string(nullptr, 5), nullptr);
    EXPECT_EQ(table.text(999), u"");
}

}  // namespace
}  // namespace bk
