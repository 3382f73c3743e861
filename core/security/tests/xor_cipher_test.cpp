#include "core/security/xor_cipher.h"

#include <gtest/gtest.h>

#include "core/security/tests/vector_file.h"

namespace brim {
namespace {

using brim_test::Bytes;

Bytes sequence(std::size_t n, unsigned step) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i * step + 1);
    return out;
}

TEST(XorCipher, EveryBlockUsesTheKeyFromItsFirstByte) {
    const Bytes key = sequence(32, 7);
    XorCipher cipher(key.data());
    EXPECT_EQ(cipher.id(), CipherId::xor_key);
    // Lengths around the 32-byte block and the wide whole-block loop.
    for (std::size_t n : {0u, 1u, 31u, 32u, 33u, 95u, 4096u + 13u}) {
        const Bytes plain = sequence(n, 13);
        Bytes out;
        cipher.encrypt(plain.data(), n, out);
        ASSERT_EQ(out.size(), n);
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(out[i], plain[i] ^ key[i % 32]) << "byte " << i << " of " << n;
        Bytes back;
        cipher.decrypt(out.data(), n, back);
        EXPECT_EQ(back, plain);
    }
}

TEST(XorCipher, ByteThirtyTwoOfThirtyThreeTakesKeyByteZero) {
    const Bytes key = sequence(32, 5);
    XorCipher cipher(key.data());
    Bytes data(33, 0);
    EXPECT_EQ(cipher.encrypt(data.data(), 33, data.data()), 33u);
    EXPECT_EQ(data[32], key[0]);
    EXPECT_EQ(cipher.decrypt(data.data(), 33, data.data()), 33u);
    EXPECT_EQ(data, Bytes(33, 0));
}

}  // namespace
}  // namespace brim
