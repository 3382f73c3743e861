#include "core/security/wake_cipher.h"

#include <set>

#include <gtest/gtest.h>

#include "core/security/tests/vector_file.h"

namespace brim {
namespace {

using brim_test::Bytes;
using brim_test::to_hex;

bool our_setup(const brim_test::Vector& v) {
    return v.text("MODE") == "CFB" && v.text("ORDER") == "LE" && v.text("KEYLAYOUT") == "REG_THEN_TABLE_BE" &&
           v.text("SHIFT") == "ARITH";
}

// The vectors' plaintext already holds any padding; encrypt keeps lengths
// and drops the ciphertext of a padding word, so it must reproduce the
// vector's ciphertext for the message's own length.
TEST(WakeCipher, MatchesKnownAnswersOfOurSetup) {
    int checked = 0;
    for (const auto& v : brim_test::read_vectors("wake.txt")) {
        if (!our_setup(v)) continue;
        const Bytes key = v.bytes("KEY"), pt = v.bytes("PT"), ct = v.bytes("CT");
        WakeCipher cipher(key.data());
        Bytes out;
        cipher.encrypt(pt.data(), pt.size(), out);
        EXPECT_EQ(to_hex(out), to_hex(ct)) << v.source;
        Bytes back;
        cipher.decrypt(ct.data(), ct.size(), back);
        EXPECT_EQ(back, pt) << v.source;
        ++checked;
    }
    EXPECT_EQ(checked, 5);
}

TEST(WakeCipher, KeepsLengthsOfPartialWords) {
    // "Hello" and its vector ciphertext (padded with three bytes of 3).
    const Bytes key = brim_test::from_hex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F");
    WakeCipher cipher(key.data());
    EXPECT_EQ(cipher.id(), CipherId::wake);
    const Bytes hello{'H', 'e', 'l', 'l', 'o'};
    std::uint8_t out[8] = {0, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(cipher.encrypt(hello.data(), 5, out), 5u);
    EXPECT_EQ(to_hex(out, 5), "476b61605a");
    EXPECT_EQ(out[5], 0xEE) << "nothing written past the length";
    std::uint8_t back[5];
    EXPECT_EQ(cipher.decrypt(out, 5, back), 5u);
    EXPECT_EQ(Bytes(back, back + 5), hello);

    for (std::size_t n = 0; n <= 9; ++n) {
        Bytes plain(n);
        for (std::size_t i = 0; i < n; ++i) plain[i] = static_cast<std::uint8_t>(0x30 + i);
        Bytes ct, pt;
        cipher.encrypt(plain.data(), n, ct);
        cipher.decrypt(ct.data(), ct.size(), pt);
        EXPECT_EQ(ct.size(), n);
        EXPECT_EQ(pt, plain) << n;
    }
}

TEST(WakeCipher, EachCallStartsFromTheKey) {
    const Bytes key(32, 0x42);
    WakeCipher cipher(key.data());
    const Bytes plain(40, 0x11);
    Bytes first, second;
    cipher.encrypt(plain.data(), plain.size(), first);
    cipher.encrypt(plain.data(), plain.size(), second);
    EXPECT_EQ(first, second);
}

// Intermediate values of the table schedule for the table key
// 10111213 14151617 18191A1B 1C1D1E1F (signed fill shift).
TEST(WakeTable, MatchesScheduleCheckpointsAndPermutesTopBytes) {
    const std::uint32_t table_key[4] = {0x10111213, 0x14151617, 0x18191A1B, 0x1C1D1E1F};
    const detail::WakeTable t = detail::wake_table(table_key);
    const std::uint32_t first[8] = {0xE6DCAE17, 0x8CCF7B70, 0xFB382103, 0x52C1D2D2,
                                    0xB2B3073D, 0x84E18DF3, 0xD49A6BE8, 0xBF75D456};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(t[i], first[i]) << i;
    EXPECT_EQ(t[255], 0xA2DB7999u);
    EXPECT_EQ(t[256], 0x48A3C15Eu);
    std::set<std::uint32_t> tops;
    for (int i = 0; i < 256; ++i) tops.insert(t[i] >> 24);
    EXPECT_EQ(tops.size(), 256u);
}

}  // namespace
}  // namespace brim
