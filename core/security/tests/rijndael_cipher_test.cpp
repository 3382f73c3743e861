#include "core/security/rijndael_cipher.h"

#include <functional>

#include <gtest/gtest.h>

#include "basekit/exception.h"
#include "core/security/crypto_exception.h"
#include "core/security/tests/both_paths.h"
#include "core/security/tests/vector_file.h"

namespace brim {
namespace {

using brim_test::Bytes;

const Bytes key = brim_test::from_hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const Bytes iv = brim_test::from_hex("000102030405060708090a0b0c0d0e0f");

template <class Exception>
void expect_throw(const std::function<void()>& action, const char16_t* message) {
    try {
        action();
        ADD_FAILURE() << "nothing thrown";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), message);
    }
}

TEST(RijndaelResults, MapToExceptionsWithTheirMessages) {
    struct Case {
        int code;
        const char16_t* message;
    };
    const Case crypto[] = {
        {Rijndael::unsupported_mode, u"Unsupported block mode"},
        {Rijndael::unsupported_direction, u"Unsupported operation direction"},
        {Rijndael::unsupported_key_length, u"The key length was incorrect"},
        {Rijndael::bad_key, u"The key is incorrect"},
        {Rijndael::bad_direction, u"The operation direction was incorrect"},
        {Rijndael::corrupted_data, u"The data is corrupted"},
    };
    for (const auto& c : crypto) expect_throw<CryptoException>([&] { check_rijndael_result(c.code); }, c.message);
    expect_throw<bk::InvalidOperationException>([] { check_rijndael_result(Rijndael::not_initialized); },
                                                u"Rijndael still not initialized");
    for (std::int64_t quiet : {0, 1, 256, -8, -100}) EXPECT_NO_THROW(check_rijndael_result(quiet)) << quiet;
}

class RijndaelCipherPaths : public brim_test::BothPaths {};

TEST_P(RijndaelCipherPaths, ChunkRoundTripsAndIsStoredPadded) {
    struct Case {
        std::size_t plain, stored;
    };
    const Case cases[] = {{1, 16}, {15, 16}, {16, 32}, {17, 32}, {1000, 1008}, {65536, 65552}, {65537, 65552}};
    for (const auto& c : cases) {
        Bytes plain(c.plain);
        for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i ^ (i >> 8));
        RijndaelCipher enc(key.data(), false, iv.data());
        RijndaelCipher dec(key.data(), true, iv.data());
        EXPECT_EQ(enc.id(), CipherId::rijndael);

        Bytes stored;
        enc.encrypt(plain.data(), plain.size(), stored);
        EXPECT_EQ(stored.size(), c.stored) << c.plain;
        Bytes back;
        dec.decrypt(stored.data(), stored.size(), back);
        EXPECT_EQ(back, plain) << c.plain;

        Bytes buffer(c.plain + 16);
        ASSERT_EQ(enc.encrypt(plain.data(), plain.size(), buffer.data()), c.stored);
        EXPECT_TRUE(std::equal(stored.begin(), stored.end(), buffer.begin())) << "same call, same result";
        ASSERT_EQ(dec.decrypt(buffer.data(), c.stored, buffer.data()), c.plain) << "in place";
        EXPECT_TRUE(std::equal(plain.begin(), plain.end(), buffer.begin()));
    }
}

BRIM_INSTANTIATE_BOTH_PATHS(RijndaelCipherPaths);

TEST(RijndaelCipher, NoDataEnciphersToNoDataAndBack) {
    RijndaelCipher enc(key.data(), false, iv.data());
    RijndaelCipher dec(key.data(), true, iv.data());
    Bytes out{1, 2, 3};
    enc.encrypt(key.data(), 0, out);
    EXPECT_TRUE(out.empty());
    dec.decrypt(out.data(), 0, out);
    EXPECT_TRUE(out.empty());
}

TEST(RijndaelCipher, CorruptedDataIsReported) {
    RijndaelCipher enc(key.data(), false, iv.data());
    RijndaelCipher dec(key.data(), true, iv.data());
    Bytes stored;
    enc.encrypt(key.data(), 20, stored);
    Bytes back;
    expect_throw<CryptoException>([&] { dec.decrypt(stored.data(), 20, back); }, u"The data is corrupted");
    stored.back() ^= 0x5A;  // scrambles the padding block
    expect_throw<CryptoException>([&] { dec.decrypt(stored.data(), stored.size(), back); },
                                  u"The data is corrupted");
}

TEST(RijndaelCipher, RejectsWrongDirectionAndMissingKey) {
    RijndaelCipher enc(key.data(), false, iv.data());
    RijndaelCipher dec(key.data(), true, iv.data());
    std::uint8_t buffer[64] = {};
    expect_throw<CryptoException>([&] { (void)enc.decrypt(buffer, 32, buffer); },
                                  u"The operation direction was incorrect");
    expect_throw<CryptoException>([&] { enc.unwrap(buffer, 32, buffer); }, u"The operation direction was incorrect");
    expect_throw<CryptoException>([&] { dec.wrap(buffer, 32, buffer); }, u"The operation direction was incorrect");
    expect_throw<bk::InvalidOperationException>([&] { (void)dec.encrypt(buffer, 32, buffer); },
                                                u"Rijndael still not initialized");
    expect_throw<CryptoException>([] { RijndaelCipher(nullptr, false, nullptr); }, u"The key is incorrect");
}

TEST(RijndaelCipher, RejectsLengthsAboveTheLimitBeforeTouchingData) {
    RijndaelCipher enc(key.data(), false, iv.data());
    RijndaelCipher dec(key.data(), true, iv.data());
    const std::size_t too_long = RijndaelCipher::max_length + 1;
    Bytes vector;
    // The buffers are never read: the length is checked first.
    const std::function<void()> calls[] = {
        [&] { (void)enc.encrypt(nullptr, too_long, static_cast<std::uint8_t*>(nullptr)); },
        [&] { enc.encrypt(nullptr, too_long, vector); },
        [&] { (void)dec.decrypt(nullptr, too_long, static_cast<std::uint8_t*>(nullptr)); },
        [&] { dec.decrypt(nullptr, too_long, vector); },
        [&] { enc.wrap(nullptr, too_long, nullptr); },
        [&] { dec.unwrap(nullptr, too_long, nullptr); },
    };
    for (const auto& call : calls) {
        try {
            call();
            ADD_FAILURE() << "nothing thrown";
        } catch (const bk::ArgumentException& e) {
            EXPECT_EQ(e.message(), u"The length of the inputing buffer was too long to encrypt");
            EXPECT_EQ(e.argument_name(), u"length");
        }
    }
    EXPECT_TRUE(vector.empty());
}

TEST(RijndaelCipher, WrapIsUnpaddedCbcAndUnwrapReversesIt) {
    const Bytes pt = brim_test::from_hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
    RijndaelCipher enc(key.data(), false, iv.data());
    RijndaelCipher dec(key.data(), true, iv.data());
    Bytes wrapped(32), back(32);
    enc.wrap(pt.data(), 32, wrapped.data());
    EXPECT_EQ(brim_test::to_hex(wrapped), "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d");
    dec.unwrap(wrapped.data(), 32, back.data());
    EXPECT_EQ(back, pt);
}

}  // namespace
}  // namespace brim
