#include "core/security/rijndael.h"

#include <gtest/gtest.h>

#include "core/security/cpu_features.h"
#include "core/security/tests/both_paths.h"
#include "core/security/tests/vector_file.h"

namespace brim {
namespace {

using brim_test::Bytes;
using brim_test::to_hex;

int key_code(std::size_t key_size) { return static_cast<int>(key_size / 8 - 2); }

const Bytes key32 = brim_test::from_hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const Bytes iv16 = brim_test::from_hex("000102030405060708090a0b0c0d0e0f");

class RijndaelVectors : public brim_test::BothPaths {};

// Each vector enciphered and deciphered, once into a separate buffer and once in place.
TEST_P(RijndaelVectors, EcbAndCbcMatchKnownAnswersBothWays) {
    int checked = 0;
    for (const auto& v : brim_test::read_vectors("aes.txt")) {
        const std::string mode = v.text("MODE");
        if (mode == "CFB1") continue;
        const int m = mode == "ECB" ? Rijndael::ecb : Rijndael::cbc;
        const Bytes key = v.bytes("KEY"), pt = v.bytes("PT"), ct = v.bytes("CT");
        const Bytes iv = v.has("IV") ? v.bytes("IV") : Bytes(16, 0);
        const auto bits = static_cast<std::int64_t>(pt.size() * 8);

        Rijndael enc, dec;
        ASSERT_EQ(enc.init(m, Rijndael::encrypt, key.data(), key_code(key.size()), iv.data()), 0) << v.source;
        ASSERT_EQ(dec.init(m, Rijndael::decrypt, key.data(), key_code(key.size()), iv.data()), 0) << v.source;
        Bytes out(pt.size());
        EXPECT_EQ(enc.block_encrypt(pt.data(), bits, out.data()), bits);
        EXPECT_EQ(to_hex(out), v.text("CT")) << v.source;
        Bytes in_place = ct;
        EXPECT_EQ(dec.block_decrypt(in_place.data(), bits, in_place.data()), bits);
        EXPECT_EQ(in_place, pt) << v.source;
        ++checked;
    }
    EXPECT_EQ(checked, 10);
}

// The CFB1 vectors give 16 bits; each output bit depends only on the bits
// before it, so the first two bytes of a whole block must match.
TEST_P(RijndaelVectors, OneBitCfbMatchesKnownAnswersInBothDirections) {
    int checked = 0;
    for (const auto& v : brim_test::read_vectors("aes.txt")) {
        if (v.text("MODE") != "CFB1") continue;
        const Bytes key = v.bytes("KEY"), iv = v.bytes("IV"), pt = v.bytes("PT"), ct = v.bytes("CT");
        Bytes block(16, 0xA5);
        std::copy(pt.begin(), pt.end(), block.begin());
        Rijndael enc;
        ASSERT_EQ(enc.init(Rijndael::cfb1, Rijndael::encrypt, key.data(), key_code(key.size()), iv.data()), 0);
        Bytes out(16);
        EXPECT_EQ(enc.block_encrypt(block.data(), 128, out.data()), 128);
        EXPECT_EQ(to_hex(out.data(), 2), v.text("CT")) << v.source;

        // CFB deciphers with the forward cipher, so an engine set up for
        // either direction must give the plaintext back.
        for (int direction : {Rijndael::encrypt, Rijndael::decrypt}) {
            Rijndael dec;
            ASSERT_EQ(dec.init(Rijndael::cfb1, direction, key.data(), key_code(key.size()), iv.data()), 0);
            Bytes back(16);
            EXPECT_EQ(dec.block_decrypt(out.data(), 128, back.data()), 128);
            EXPECT_EQ(back, block) << v.source << " direction " << direction;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 2);
}

TEST_P(RijndaelVectors, PaddedCbcMatchesDerivedVectors) {
    struct Case {
        std::size_t message_size;
        const char* ct;
    };
    const Case cases[] = {
        {0, "7e9248e5d829ca7593f0c549db2f5b8c"},
        {16, "f58c4c04d6e5f1ba779eabfb5f7bfbd6485a5c81519cf378fa36d42b8547edc0"},
        {19, "f58c4c04d6e5f1ba779eabfb5f7bfbd63833eea9431fefeb59b2b891fc091150"},
    };
    const Bytes message = brim_test::from_hex("6bc1bee22e409f96e93d7e117393172aae2d8a");
    for (const auto& c : cases) {
        Rijndael enc, dec;
        ASSERT_EQ(enc.init(Rijndael::cbc, Rijndael::encrypt, key32.data(), Rijndael::key_32_bytes, iv16.data()), 0);
        ASSERT_EQ(dec.init(Rijndael::cbc, Rijndael::decrypt, key32.data(), Rijndael::key_32_bytes, iv16.data()), 0);
        const Bytes ct = brim_test::from_hex(c.ct);
        if (c.message_size > 0) {
            Bytes out(c.message_size + 16);
            ASSERT_EQ(enc.pad_encrypt(message.data(), static_cast<std::int64_t>(c.message_size), out.data()),
                      static_cast<std::int64_t>(ct.size()));
            out.resize(ct.size());
            EXPECT_EQ(out, ct) << c.message_size;
        }
        Bytes back(ct.size());
        ASSERT_EQ(dec.pad_decrypt(ct.data(), static_cast<std::int64_t>(ct.size()), back.data()),
                  static_cast<std::int64_t>(c.message_size));
        EXPECT_TRUE(std::equal(back.begin(), back.begin() + static_cast<long>(c.message_size), message.begin()));
    }
}

// Long runs go through the several-blocks-at-once code of the accelerated
// paths (8 blocks narrow, 32 wide) and their tails; all must agree with the
// portable path, for every key size, also when decrypting in place.
TEST(RijndaelPaths, LongRunsAgreeBetweenAcceleratedAndPortable) {
    if (!cpu_has_aes()) GTEST_SKIP() << "no AES instructions on this processor";
    Bytes data(16 * 75);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 31 + 7);
    for (int code : {0, 1, 2}) {
        for (int mode : {Rijndael::ecb, Rijndael::cbc}) {
            for (std::size_t blocks : {1u, 7u, 8u, 9u, 16u, 31u, 32u, 33u, 41u, 64u, 75u}) {
                const auto bits = static_cast<std::int64_t>(blocks * 128);
                Bytes results[2];
                for (bool portable : {false, true}) {
                    force_portable_crypto(portable);
                    Rijndael enc, dec;
                    ASSERT_EQ(enc.init(mode, Rijndael::encrypt, key32.data(), code, iv16.data()), 0);
                    ASSERT_EQ(dec.init(mode, Rijndael::decrypt, key32.data(), code, iv16.data()), 0);
                    Bytes ct(blocks * 16), pt(blocks * 16);
                    ASSERT_EQ(enc.block_encrypt(data.data(), bits, ct.data()), bits);
                    ASSERT_EQ(dec.block_decrypt(ct.data(), bits, pt.data()), bits);
                    EXPECT_TRUE(std::equal(pt.begin(), pt.end(), data.begin()));
                    Rijndael in_place;
                    ASSERT_EQ(in_place.init(mode, Rijndael::decrypt, key32.data(), code, iv16.data()), 0);
                    Bytes buffer = ct;
                    ASSERT_EQ(in_place.block_decrypt(buffer.data(), bits, buffer.data()), bits);
                    EXPECT_EQ(buffer, pt) << "in place, blocks " << blocks;
                    results[portable] = ct;
                }
                force_portable_crypto(false);
                EXPECT_EQ(results[0], results[1]) << "key code " << code << " mode " << mode << " blocks " << blocks;
            }
        }
    }
}

BRIM_INSTANTIATE_BOTH_PATHS(RijndaelVectors);

TEST(RijndaelInit, ChecksModeDirectionKeyLengthAndKeyInThatOrder) {
    struct Case {
        int mode, direction, key_code;
        bool key;
        int expected;
    };
    const Case cases[] = {
        {3, 2, 3, false, Rijndael::unsupported_mode},
        {-1, 0, 0, true, Rijndael::unsupported_mode},
        {1, 2, 3, false, Rijndael::unsupported_direction},
        {1, 0, 3, false, Rijndael::unsupported_key_length},
        {1, 0, -1, true, Rijndael::unsupported_key_length},
        {1, 0, 2, false, Rijndael::bad_key},
        {2, 1, 0, true, 0},
    };
    for (const auto& c : cases) {
        Rijndael engine;
        EXPECT_EQ(engine.init(c.mode, c.direction, c.key ? key32.data() : nullptr, c.key_code), c.expected)
            << c.mode << " " << c.direction << " " << c.key_code << " " << c.key;
    }
}

TEST(RijndaelInit, EveryOperationNeedsASuccessfulInit) {
    Rijndael engine;
    std::uint8_t in[32] = {}, out[48];
    EXPECT_EQ(engine.block_encrypt(in, 256, out), Rijndael::not_initialized);
    EXPECT_EQ(engine.block_decrypt(in, 256, out), Rijndael::not_initialized);
    EXPECT_EQ(engine.pad_encrypt(in, 32, out), Rijndael::not_initialized);
    EXPECT_EQ(engine.pad_decrypt(in, 32, out), Rijndael::not_initialized);
    ASSERT_EQ(engine.init(1, 0, key32.data(), 5), Rijndael::unsupported_key_length);
    EXPECT_EQ(engine.block_encrypt(in, 256, out), Rijndael::not_initialized);
}

TEST(RijndaelDirection, OperationsRefuseTheOtherDirection) {
    Rijndael enc, dec, cfb;
    ASSERT_EQ(enc.init(Rijndael::cbc, Rijndael::encrypt, key32.data(), 2), 0);
    ASSERT_EQ(dec.init(Rijndael::cbc, Rijndael::decrypt, key32.data(), 2), 0);
    ASSERT_EQ(cfb.init(Rijndael::cfb1, Rijndael::decrypt, key32.data(), 2), 0);
    std::uint8_t in[32] = {}, out[48];
    EXPECT_EQ(enc.block_decrypt(in, 256, out), Rijndael::bad_direction);
    EXPECT_EQ(dec.block_encrypt(in, 256, out), Rijndael::bad_direction);
    EXPECT_EQ(cfb.block_encrypt(in, 256, out), Rijndael::bad_direction);
    EXPECT_EQ(dec.pad_encrypt(in, 32, out), Rijndael::not_initialized);
    EXPECT_EQ(enc.pad_decrypt(in, 32, out), Rijndael::bad_direction);
    EXPECT_EQ(cfb.pad_decrypt(in, 32, out), Rijndael::unsupported_mode);
}

TEST(RijndaelPadding, LengthsOfPaddedOutput) {
    Rijndael enc, cfb;
    ASSERT_EQ(enc.init(Rijndael::cbc, Rijndael::encrypt, key32.data(), 2, iv16.data()), 0);
    ASSERT_EQ(cfb.init(Rijndael::cfb1, Rijndael::encrypt, key32.data(), 2), 0);
    std::uint8_t in[33] = {}, out[64];
    std::fill(std::begin(out), std::end(out), 0xEE);
    EXPECT_EQ(enc.pad_encrypt(in, 0, out), 0);
    EXPECT_EQ(out[0], 0xEE) << "nothing written for no input";
    EXPECT_EQ(enc.pad_encrypt(nullptr, 16, out), 0);
    EXPECT_EQ(enc.pad_encrypt(in, 15, out), 16);
    EXPECT_EQ(enc.pad_encrypt(in, 16, out), 32);
    EXPECT_EQ(enc.pad_encrypt(in, 33, out), 48);
    EXPECT_EQ(cfb.pad_encrypt(in, 16, out), Rijndael::unsupported_mode);
    EXPECT_EQ(enc.block_encrypt(in, 127, out), 0) << "only whole blocks";
    EXPECT_EQ(enc.block_encrypt(in, 260, out), 256);
}

TEST(RijndaelPadding, DecryptionRejectsBadLengthsAndBadPadding) {
    Rijndael enc, dec;
    ASSERT_EQ(enc.init(Rijndael::cbc, Rijndael::encrypt, key32.data(), 2, iv16.data()), 0);
    ASSERT_EQ(dec.init(Rijndael::cbc, Rijndael::decrypt, key32.data(), 2, iv16.data()), 0);
    std::uint8_t in[32] = {}, out[48];
    for (std::int64_t length : {0, 15, 20, 33}) EXPECT_EQ(dec.pad_decrypt(in, length, out), Rijndael::corrupted_data);

    // Blocks whose plaintext ends in a pad byte of 0, of 17, or in a run of
    // pad bytes that does not match its own value.
    const Bytes bad_tails[] = {
        brim_test::from_hex("000102030405060708090a0b0c0d0e00"),
        brim_test::from_hex("000102030405060708090a0b0c0d0e11"),
        brim_test::from_hex("00010203040506070809030303030404"),
    };
    for (const auto& tail : bad_tails) {
        std::uint8_t ct[16];
        ASSERT_EQ(enc.block_encrypt(tail.data(), 128, ct), 128);
        EXPECT_EQ(dec.pad_decrypt(ct, 16, out), Rijndael::corrupted_data) << to_hex(tail);
    }
    const Bytes good = brim_test::from_hex("000102030405060708090a0b04040404");
    std::uint8_t ct[16];
    ASSERT_EQ(enc.block_encrypt(good.data(), 128, ct), 128);
    EXPECT_EQ(dec.pad_decrypt(ct, 16, out), 12);
}

TEST(RijndaelChaining, EveryCallStartsAgainFromTheIv) {
    Rijndael enc;
    ASSERT_EQ(enc.init(Rijndael::cbc, Rijndael::encrypt, key32.data(), 2, iv16.data()), 0);
    const std::uint8_t in[16] = {1, 2, 3};
    std::uint8_t first[16], second[16];
    ASSERT_EQ(enc.block_encrypt(in, 128, first), 128);
    ASSERT_EQ(enc.block_encrypt(in, 128, second), 128);
    EXPECT_EQ(to_hex(first, 16), to_hex(second, 16));
}

}  // namespace
}  // namespace brim
