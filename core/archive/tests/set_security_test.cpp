#include "core/archive/set_security.h"

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_writer.h"
#include "tests/support/temp_dir.h"

namespace brim::archive {
namespace {

constexpr std::int64_t now = 1765000000000000;
const ArchiveFormatV2 v2;

std::unique_ptr<BackupItem> job_with(std::uint32_t options, const char16_t* password) {
    auto owned = std::make_unique<BackupItem>();
    BackupItem& job = *owned;
    job.name = u"Daily";
    job.kind = BackupKind::normal;
    job.options = options;
    job.password = password;
    job.creation_time = 42;
    job.sources = {{u"/home/a", SourceType::directory, true}, {u"/etc/f", SourceType::file, true}};
    job.ftp_servers = {{u"ftp.example.org", u"me", u"pw", 2121, true}};
    return owned;
}

TEST(SetSecurity, NewHeaderWithoutSecurityFillsTheKeyFieldsWithFF) {
    DataKey key;
    const SecurityHeader h = new_security_header(*job_with(0, u""), v2, now, key);
    EXPECT_EQ(h.security_kind, SecurityKind::none);
    for (auto b : h.salt) EXPECT_EQ(b, 0xFF);
    for (auto b : h.job_wrapped_key) EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(h.time_value, static_cast<std::uint32_t>(now % 86400000000));
    EXPECT_EQ(h.sources[0].tag, SourceTag::directory);
    EXPECT_TRUE(h.sources[0].recursive);
    EXPECT_EQ(h.sources[1].tag, SourceTag::file);
    EXPECT_FALSE(h.sources[1].recursive);  // files never carry the flag
    EXPECT_EQ(h.ftp_servers.size(), 1u);
}

TEST(SetSecurity, ThePasswordUnlocksTheDataKeyAndNothingElseDoes) {
    struct Case {
        std::uint32_t options;
        const char16_t* password;
        SecurityKind kind;
    };
    const Case cases[] = {
        {job_option::cipher_rijndael | job_option::password, u"s3cret", SecurityKind::rijndael_with_password},
        {job_option::cipher_xor | job_option::password, u"\u00E9t\u00E9", SecurityKind::xor_with_password},
        {job_option::cipher_rijndael, u"", SecurityKind::rijndael_cipher},  // no password: the empty one
        {job_option::password, u"pw", SecurityKind::password_only},
    };
    for (const auto& c : cases) {
        DataKey key;
        const SecurityHeader h = new_security_header(*job_with(c.options, c.password), v2, now, key);
        EXPECT_EQ(h.security_kind, c.kind);
        EXPECT_NE(h.data_key, key.bytes());  // stored wrapped
        DataKey unlocked;
        EXPECT_TRUE(unlock_data_key(h, v2, c.password, unlocked));
        EXPECT_EQ(unlocked.bytes(), key.bytes());
        EXPECT_FALSE(unlock_data_key(h, v2, u"wrong", unlocked));
        SecurityHeader changed_salt = h;
        changed_salt.salt[0] ^= 1;
        EXPECT_FALSE(unlock_data_key(changed_salt, v2, c.password, unlocked));
    }
}

TEST(SetSecurity, ChangeAddAndRemoveKeepTheDataKey) {
    auto owned = job_with(job_option::cipher_rijndael | job_option::password, u"old");
    BackupItem& job = *owned;
    DataKey original;
    SecurityHeader h = new_security_header(job, v2, now, original);

    job.password = u"new";
    const SecurityHeader before = h;
    EXPECT_THROW(change_password(h, v2, job, u"not the old one", now), bk::IOException);
    EXPECT_EQ(h, before);  // untouched
    change_password(h, v2, job, u"old", now + 1);
    DataKey key;
    EXPECT_TRUE(unlock_data_key(h, v2, u"new", key));
    EXPECT_EQ(key.bytes(), original.bytes());
    EXPECT_THROW(add_password(h, v2, job, now), bk::IOException);  // it already has one

    remove_password(h, v2, u"new", now);
    EXPECT_EQ(h.security_kind, SecurityKind::password_removed);
    EXPECT_TRUE(unlock_data_key(h, v2, u"anything", key));
    EXPECT_EQ(key.bytes(), original.bytes());
    const SecurityHeader removed = h;
    remove_password(h, v2, u"new", now + 5);  // a second removal does nothing
    EXPECT_EQ(h, removed);

    job.password = u"again";
    add_password(h, v2, job, now);
    EXPECT_EQ(h.security_kind, SecurityKind::rijndael_with_password);
    EXPECT_TRUE(unlock_data_key(h, v2, u"again", key));
    EXPECT_EQ(key.bytes(), original.bytes());  // enciphered data stays readable
}

TEST(StoredSecurityHeader, RewritesTheHeaderOfASetInPlace) {
    brim_test::TempDir dir;
    const bk::String main = bk::from_native_path((dir / "Daily.bvf").string());
    auto owned = job_with(job_option::cipher_rijndael | job_option::password, u"old");
    BackupItem& job = *owned;
    DataKey key;
    const SecurityHeader header = new_security_header(job, v2, now, key);
    {
        auto root = std::make_unique<DataHeader>(ItemKind::directory, u"");
        root->add_directory(std::make_unique<DataHeader>(ItemKind::directory, u"/empty"));
        recount(*root);
        RunHeader run;
        run.directory_count = 1;
        SetWriter writer(main, {});
        writer.begin_run(header, run, *root, false);
        writer.finish_run();
    }
    auto stored = read_stored_security_header(main, 1);
    ASSERT_TRUE(stored.has_value());
    job.password = u"new";
    change_password(stored->header, *stored->format, job, u"old", now);
    write_stored_security_header(*stored);

    auto again = read_stored_security_header(main, 1);
    ASSERT_TRUE(again.has_value());
    DataKey unlocked;
    EXPECT_TRUE(unlock_data_key(again->header, *again->format, u"new", unlocked));
    EXPECT_EQ(unlocked.bytes(), key.bytes());
    const auto layout = read_set_layout(main, false, true, 1);
    EXPECT_EQ(layout.error, LayoutError::none);
    EXPECT_TRUE(layout.layout.is_complete());

    brim_test::write_bytes(dir / "short.bvf", std::string(12, '\0'));
    EXPECT_FALSE(read_stored_security_header(bk::from_native_path((dir / "short.bvf").string()), 1));
    EXPECT_FALSE(read_stored_security_header(bk::from_native_path((dir / "none.bvf").string()), 1));
}

}  // namespace
}  // namespace brim::archive
