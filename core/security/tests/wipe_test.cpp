#include "core/security/wipe.h"

#include <gtest/gtest.h>

namespace brim {
namespace {

TEST(Wipe, LeavesZerosAndIgnoresNothing) {
    std::uint8_t buffer[40];
    for (std::uint8_t& b : buffer) b = 0xAB;
    wipe(buffer, 33);
    for (int i = 0; i < 33; ++i) EXPECT_EQ(buffer[i], 0) << i;
    for (int i = 33; i < 40; ++i) EXPECT_EQ(buffer[i], 0xAB) << "past the end " << i;
    wipe(nullptr, 10);
    wipe(buffer + 33, 0);
    EXPECT_EQ(buffer[33], 0xAB);
}

TEST(Wipe, StringsEndEmpty) {
    for (const char16_t* text : {u"", u"abc", u"a longer password than fits inline"}) {
        bk::String wide = text;
        wipe_string(wide);
        EXPECT_TRUE(wide.empty());
    }
    std::string narrow = "abc";
    const char* storage = narrow.data();
    wipe_string(narrow);
    EXPECT_TRUE(narrow.empty());
    // Unit 0 now holds the terminator of the empty string.
    for (int i = 1; i < 3; ++i) {
        EXPECT_GE(storage[i], ' ') << "overwritten with printable characters";
        EXPECT_LE(storage[i], '|');
    }
}

}  // namespace
}  // namespace brim
