#include "core/jobs/password_manager.h"

#include <sys/stat.h>

#include <filesystem>

#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/jobs/logon_store_file.h"
#include "core/jobs/tests/store_home.h"
#include "core/security/sha256.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

std::uint64_t number(const std::string& bytes, std::size_t at, int size, bool big_endian) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[at + (big_endian ? i : size - 1 - i)]);
        value = (value << 8) | byte;
    }
    return value;
}

std::vector<std::uint8_t> to_vector(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

class PasswordManagerTest : public brim_test::StoreHome {
protected:
    static PasswordManager& store() { return *PasswordManager::instance(); }
    fs::path store_file() const { return config_dir() / "secdata1.db"; }
    fs::path companion_file() const { return config_dir() / "secdata.db"; }
    static std::uint32_t version() { return static_cast<std::uint32_t>(Version::instance()->to_int()); }

    // Drops the store and loads it again from its file.
    static PasswordManager& reopened() {
        PasswordManager::del_instance();
        return store();
    }
    static bk::String password_of(bk::StringView key) {
        LogonEntry* entry = nullptr;
        return store().find_entry(key, &entry) ? entry->password : u"<none>";
    }
    // A store file holding one entry "alice".
    std::string saved_store() {
        store().add_entry(u"alice", u"", u"wonderland");
        store().save();
        return read_bytes(store_file());
    }
};

TEST_F(PasswordManagerTest, EntriesRoundTripInTheirOrder) {
    const bk::String long_password(5000, u'\u4e2d');
    const bk::String with_nul(u"p\u00e4ss\0word", 9);
    store().add_entry(u"r\u00f6ot", u"aux \U0001F511", with_nul);
    store().add_entry(u"bob", u"", u"");
    store().add_entry(u"carol", u"", long_password);
    store().add_entry(u"bob", u"second", u"bob-pw");  // replaced in its place
    store().save();
    for (const fs::path& file : {store_file(), companion_file()}) {
        struct stat st;
        ASSERT_EQ(::stat(file.c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
    }

    PasswordManager& loaded = reopened();
    ASSERT_EQ(loaded.entry_count(), 3u);
    LogonEntry* entry = nullptr;
    ASSERT_TRUE(loaded.find_entry(u"r\u00f6ot", &entry));
    EXPECT_EQ(entry->aux_text, u"aux \U0001F511");
    EXPECT_EQ(entry->password, with_nul);
    ASSERT_TRUE(loaded.find_entry(u"bob", &entry));
    EXPECT_EQ(entry->aux_text, u"second");
    EXPECT_EQ(entry->password, u"bob-pw");
    EXPECT_EQ(password_of(u"carol"), long_password);

    const std::string file = read_bytes(store_file());
    const auto records = decode_logon_store(to_vector(file), file.size(), version(), SystemInfo::current_user());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].key, u"bob");
    EXPECT_EQ(records[2].key, u"carol");
}

TEST_F(PasswordManagerTest, WritesTheDocumentedLayout) {
    const std::int64_t before = bk::Date::now_time();
    const std::string file = saved_store();
    const std::int64_t after = bk::Date::now_time();

    // One record: three 2-byte counts and 5 + 0 + 10 units of 2 bytes.
    const std::size_t plain = 6 + 2 * 15;
    ASSERT_EQ(file.size(), 2140 + 16 * (plain / 16 + 1));
    EXPECT_EQ(number(file, 0, 4, false), 0x6D89EC11u);
    EXPECT_EQ(number(file, 4, 4, false), version());
    EXPECT_EQ(file.substr(8, 512), std::string(512, '\xff'));
    EXPECT_EQ(file.substr(536, 128), std::string(128, '\0'));
    EXPECT_EQ(file.substr(680, 128), std::string(128, '\xff'));
    const auto written = static_cast<std::int64_t>(number(file, 808, 8, false));
    EXPECT_GE(written, before);
    EXPECT_LE(written, after);
    EXPECT_EQ(number(file, 816, 4, false), 1u);
    EXPECT_EQ(file.substr(852, 4), "\xfe\x03\xca\x49");
    EXPECT_EQ(file.substr(856, 252), std::string(252, '\xff'));
    EXPECT_EQ(file.substr(file.size() - 1028), std::string(1024, '\0') + "\x01\x01\x01\x01");
    EXPECT_EQ(file.find(std::string("w\0o\0n\0d", 7)), std::string::npos);

    const std::string companion = read_bytes(companion_file());
    ASSERT_EQ(companion.size(), 4 + 4 + 512 + 8 + 32 + 512 + 1024u);
    EXPECT_EQ(companion.substr(0, 8), std::string("\x6d\x89\xec\x11\x00\x01\x00\x07", 8));
    EXPECT_EQ(companion.substr(8, 512), std::string(512, '\xff'));
    EXPECT_EQ(static_cast<std::int64_t>(number(companion, 520, 8, true)), written);
    const auto digest = sha256(companion.data() + 520, 8);
    EXPECT_EQ(companion.substr(528, 32), std::string(digest.begin(), digest.end()));
    std::string alternating;
    for (int i = 0; i < 256; ++i) alternating += std::string("\x00\xff", 2);
    EXPECT_EQ(companion.substr(560, 512), alternating);
    EXPECT_EQ(companion.substr(1072), std::string(1024, '\xff'));

    // A second save draws a new salt and IV.
    store().save();
    const std::string again = read_bytes(store_file());
    EXPECT_NE(again.substr(520, 16), file.substr(520, 16));
    EXPECT_NE(again.substr(664, 16), file.substr(664, 16));
}

TEST_F(PasswordManagerTest, DamagedOrForeignStoresLoadNothingAndStayAsTheyAre) {
    const std::string good = saved_store();
    const std::size_t sealed_end = good.size() - 1028;
    auto flipped = [&good](std::size_t at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x04);
        return bytes;
    };
    std::string newer = good;
    newer[6] = 2;  // major version 2
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"header and trailer only (2140 bytes)", good.substr(0, 1112) + good.substr(sealed_end)},
        {"first sealed byte", flipped(1112)},
        {"last sealed byte", flipped(sealed_end - 1)},
        {"a byte of the last block", flipped(sealed_end - 9)},
        {"digest", flipped(830)},
        {"salt", flipped(525)},
        {"time of writing", flipped(808)},
        {"magic", flipped(0)},
        {"major version 2", newer},
        {"one more byte", good + "x"},
    };
    for (const auto& c : cases) {
        write_bytes(store_file(), c.bytes);
        EXPECT_EQ(reopened().entry_count(), 0u) << c.what;
        EXPECT_EQ(read_bytes(store_file()), c.bytes) << c.what;
    }
    write_bytes(store_file(), good);
    EXPECT_EQ(reopened().entry_count(), 1u);
    EXPECT_TRUE(decode_logon_store(to_vector(good), good.size(), version(), u"mallory").empty())
        << "another user's name gives another key";
}

TEST_F(PasswordManagerTest, NoPrefixOfAStoreLoadsOrCrashes) {
    const std::string good = saved_store();
    for (std::size_t n = 0; n < good.size(); ++n) {
        write_bytes(store_file(), good.substr(0, n));
        EXPECT_EQ(reopened().entry_count(), 0u) << n;
    }
}

TEST_F(PasswordManagerTest, AddFindAndDeleteRules) {
    store().add_entry(u"", u"", u"pw");
    store().add_entry(u"ann", std::nullopt, u"pw");
    EXPECT_EQ(store().entry_count(), 0u);
    store().add_entry(u"ann", u"", u"pw");

    LogonEntry sentinel;
    EXPECT_FALSE(store().find_entry(u"ann", nullptr));
    for (bk::StringView key : {bk::StringView(u""), bk::StringView(u"Ann")}) {
        LogonEntry* entry = &sentinel;
        EXPECT_FALSE(store().find_entry(key, &entry));
        EXPECT_EQ(entry, nullptr);
    }

    store().delete_entry(u"");
    store().delete_entry(u"nobody");
    EXPECT_EQ(store().entry_count(), 1u);
    store().delete_entry(u"ann");
    EXPECT_EQ(store().entry_count(), 0u);
}

TEST_F(PasswordManagerTest, SavingNothingOrTooMuchLeavesTheFilesAlone) {
    EXPECT_NO_THROW(store().save());
    EXPECT_FALSE(fs::exists(store_file()));
    EXPECT_FALSE(fs::exists(companion_file()));

    const std::string good = saved_store();
    store().delete_entry(u"alice");
    store().save();
    EXPECT_EQ(read_bytes(store_file()), good);

    store().add_entry(u"alice", u"", bk::String(0x8000, u'x'));
    EXPECT_THROW(store().save(), bk::ArgumentException);
    EXPECT_EQ(read_bytes(store_file()), good);
    EXPECT_EQ(password_of(u"alice"), bk::String(0x8000, u'x'));
    EXPECT_EQ(reopened().entry_count(), 1u);
    EXPECT_EQ(password_of(u"alice"), u"wonderland");
}

}  // namespace
}  // namespace brim
