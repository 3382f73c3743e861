#include "basekit/convertion.h"

#include <random>

#include <gtest/gtest.h>

namespace bk {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Convertion, Utf8ToUtf16NeverSplitsAPair) {
    const Bytes emoji = {0xF0, 0x9F, 0x98, 0x80};
    char16_t out[2] = {};
    std::size_t room = 2;
    EXPECT_TRUE(Convertion::utf8_to_utf16(emoji.data(), emoji.size(), out, room));
    EXPECT_EQ(room, 0u);
    EXPECT_EQ(out[0], 0xD83D);
    EXPECT_EQ(out[1], 0xDE00);
    room = 1;
    out[0] = 0;
    EXPECT_TRUE(Convertion::utf8_to_utf16(emoji.data(), emoji.size(), out, room));
    EXPECT_EQ(room, 1u);
    EXPECT_EQ(out[0], 0);
}

TEST(Convertion, Utf8ToUtf16RejectsMalformedInput) {
    const Bytes malformed[] = {
        {0xC0, 0x80},              // overlong
        {0x80},                    // continuation first
        {0xF8, 0x88, 0x80, 0x80},  // lead of five bytes
        {0xE2, 0x82},              // missing continuation
        {0xED, 0xA0, 0x80},        // encoded surrogate
        {0xF4, 0x90, 0x80, 0x80},  // above U+10FFFF
    };
    for (const auto& bytes : malformed) {
        char16_t out[8];
        std::size_t room = 8;
        EXPECT_FALSE(Convertion::utf8_to_utf16(bytes.data(), bytes.size(), out, room));
    }
}

TEST(Convertion, Utf16ToUtf8RejectsALoneSurrogateAndCountsRoom) {
    const char16_t lone[] = {u'a', 0xD800};
    std::uint8_t out[8];
    std::size_t room = 8;
    EXPECT_FALSE(Convertion::utf16_to_utf8(lone, 2, out, room));
    const char16_t text[] = {u'a', 0x00E9};
    room = 8;
    EXPECT_TRUE(Convertion::utf16_to_utf8(text, 2, out, room));
    EXPECT_EQ(room, 5u);
    EXPECT_EQ(out[1], 0xC3);
}

TEST(Convertion, AnsiSizesAndEmptyInput) {
    const char16_t text[] = {u'a', 0x4E2D};
    EXPECT_EQ(Convertion::utf16_to_ansi(text, 2, nullptr, 0), 4);
    EXPECT_EQ(Convertion::utf16_to_ansi(text, 0, nullptr, 0), 0);
    char out[4];
    EXPECT_EQ(Convertion::utf16_to_ansi(text, 2, out, 4), 4);
    char16_t back[4];
    EXPECT_EQ(Convertion::ansi_to_utf16(out, 4, back, 4), 2);
    EXPECT_EQ(back[1], 0x4E2D);
}

TEST(Convertion, EveryByteStringSurvivesTheRoundTrip) {
    std::mt19937 random(42);
    std::vector<std::string> names = {"plain", "caf\xC3\xA9", "bad\xFF", "\xED\xA0\x80",
                                      "\xED\xA0\x80\xED\xB0\x80", "\xED\xB2\x80", "\xC0\x80",
                                      "\xF0\x9F\x98", std::string(1, '\0')};
    for (int i = 0; i < 2000; ++i) {
        std::string name(random() % 12, '\0');
        for (char& c : name) c = static_cast<char>(random() % 256);
        names.push_back(name);
    }
    for (const auto& name : names) EXPECT_EQ(to_native_path(from_native_path(name)), name);
}

}  // namespace
}  // namespace bk
