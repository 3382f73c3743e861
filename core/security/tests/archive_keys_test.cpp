#include "core/security/archive_keys.h"

#include <gtest/gtest.h>

#include "core/security/rijndael_cipher.h"
#include "core/security/tests/vector_file.h"

namespace brim {
namespace {

using brim_test::Bytes;
using brim_test::to_hex;

struct Header {
    Bytes salt = brim_test::from_hex("000102030405060708090a0b0c0d0e0f");
    Bytes iv = brim_test::from_hex("f0e0d0c0b0a090807060504030201000");
    std::uint32_t time_value = 0x01020304;
    Bytes data_key = Bytes(32);
    KeyVerifier verifier{};

    Header() {
        for (std::size_t i = 0; i < data_key.size(); ++i) data_key[i] = static_cast<std::uint8_t>(i);
    }
};

// What a writer does: verifier over the clear key, then the key wrapped.
Header written_with(bk::StringView password) {
    Header h;
    h.verifier = key_verifier(h.data_key.data(), h.time_value);
    wrap_data_key(h.data_key.data(), password_key(h.salt.data(), password, PasswordBytes::utf16le), h.iv.data());
    return h;
}

// What a reader does: unwrap a copy with the password, then compare.
bool password_accepted(const Header& h, bk::StringView password) {
    Bytes key = h.data_key;
    unwrap_data_key(key.data(), password_key(h.salt.data(), password, PasswordBytes::utf16le), h.iv.data());
    return verifier_matches(key.data(), h.time_value, h.verifier.data());
}

TEST(PasswordKey, IsSha256OfSaltAndPasswordBytes) {
    const Bytes salt = brim_test::from_hex("000102030405060708090a0b0c0d0e0f");
    struct Case {
        const char16_t* password;
        PasswordBytes encoding;
        const char* key;
    };
    const Case cases[] = {
        {u"pw", PasswordBytes::utf16le, "f9ae40a561058d1cc3f0b67091bbca372477c6c02fae74228271f8272391183b"},
        {u"p\u00e9", PasswordBytes::ansi, "99206404347042e2423053ff6a2b782af979e90983074a4d58d881a2cc86a1ea"},
        {u"", PasswordBytes::utf16le, "be45cb2605bf36bebde684841a28f0fd43c69850a3dce5fedba69928ee3a8991"},
        {u"", PasswordBytes::ansi, "be45cb2605bf36bebde684841a28f0fd43c69850a3dce5fedba69928ee3a8991"},
    };
    for (const auto& c : cases) EXPECT_EQ(to_hex(password_key(salt.data(), c.password, c.encoding)), c.key);
}

TEST(KeyVerifier, IsMd5OfKeyAndBigEndianTime) {
    Header h;
    EXPECT_EQ(to_hex(key_verifier(h.data_key.data(), h.time_value)), "04593c3a5d22943ab325b4e9e5d87143");
}

TEST(KeyWrapping, TheRightPasswordPassesTheVerifier) {
    const Header h = written_with(u"secret");
    EXPECT_NE(h.data_key, Header().data_key) << "the stored key is wrapped";
    EXPECT_TRUE(password_accepted(h, u"secret"));
    Bytes key = h.data_key;
    unwrap_data_key(key.data(), password_key(h.salt.data(), u"secret", PasswordBytes::utf16le), h.iv.data());
    EXPECT_EQ(key, Header().data_key);
}

TEST(KeyWrapping, AnyChangeFailsTheVerifierWithoutRaising) {
    const Header good = written_with(u"secret");
    EXPECT_FALSE(password_accepted(good, u"Secret"));
    EXPECT_FALSE(password_accepted(good, u""));

    Header salt_changed = good;
    salt_changed.salt[5] ^= 1;
    EXPECT_FALSE(password_accepted(salt_changed, u"secret"));

    Header time_changed = good;
    time_changed.time_value += 1;
    EXPECT_FALSE(password_accepted(time_changed, u"secret"));

    Header verifier_changed = good;
    verifier_changed.verifier[15] ^= 0x80;
    EXPECT_FALSE(password_accepted(verifier_changed, u"secret"));
}

TEST(JobKey, DependsOnEveryPartAndDecipherTheSlotCopy) {
    const JobKeySource base{u"Job", 0x0102030405060708, 2, u"/a"};
    const PasswordKey key = job_key(base);
    JobKeySource changes[] = {base, base, base, base};
    changes[0].job_name = u"Jab";
    changes[1].creation_time += 1;
    changes[2].source_count = 3;
    changes[3].first_source_path = u"/b";
    for (const auto& changed : changes) EXPECT_NE(job_key(changed), key);
    EXPECT_EQ(job_key(base), key);

    Header h;
    const auto copy = job_slot_copy(h.data_key.data(), base);
    Bytes back(32);
    RijndaelCipher(key.data(), true, nullptr).unwrap(copy.data(), 32, back.data());
    EXPECT_EQ(back, h.data_key);
}

TEST(FreshKeyMaterial, DrawsDistinctMaterialAndKeepsTimeWithinTheDay) {
    const std::int64_t day = 86'400'000'000;
    const std::int64_t now = 20'000 * day + 0x1'2345'6789;
    const FreshKeyMaterial a = fresh_key_material(now);
    const FreshKeyMaterial b = fresh_key_material(now);
    EXPECT_EQ(a.time_value, 0x23456789u);
    EXPECT_NE(a.salt, b.salt);
    EXPECT_NE(a.iv, b.iv);
    EXPECT_NE(a.data_key, b.data_key);
    EXPECT_NE(to_hex(a.salt), to_hex(a.iv));
}

}  // namespace
}  // namespace brim
