#include <gtest/gtest.h>

#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_security.h"
#include "core/archive/set_writer.h"
#include "core/backup_exception.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/tests/store_home.h"

namespace brim {
namespace {

class JobPassword : public brim_test::StoreHome {
protected:
    JobPassword() {
        job.name = u"Daily";
        job.kind = BackupKind::normal;
        job.destination = wide(home.dir().path());
        job.sources = {{u"/data", SourceType::directory, true}};
    }

    // Writes a set with one (empty) run for the job as it stands now.
    void write_set() {
        archive::DataKey key;
        const archive::SecurityHeader header =
            archive::new_security_header(job, archive::ArchiveFormatV2(), bk::Date::now_time(), key);
        data_key = key.bytes();
        auto root = std::make_unique<DataHeader>(ItemKind::directory, u"");
        root->add_directory(std::make_unique<DataHeader>(ItemKind::directory, u"/data"));
        archive::recount(*root);
        archive::RunHeader run;
        run.directory_count = 1;
        archive::SetWriter writer(job.archive_file(), {});
        writer.begin_run(header, run, *root, false);
        writer.finish_run();
    }

    archive::SecurityHeader stored() {
        return archive::read_stored_security_header(job.archive_file(), 1)->header;
    }

    bool set_opens_with(const char16_t* password) {
        auto s = archive::read_stored_security_header(job.archive_file(), 1);
        archive::DataKey key;
        return s && archive::unlock_data_key(s->header, *s->format, password, key) && key.bytes() == data_key;
    }

    BackupItem job;
    std::array<std::uint8_t, 32> data_key{};
};

TEST_F(JobPassword, CheckByStateWithoutAndWithTheSet) {
    job.password = u"pw";
    for (auto state : {PasswordState::unknown, PasswordState::proved}) {
        job.password_state = state;  // no set exists: nothing is opened
        EXPECT_TRUE(job.check_password(u"pw"));
        EXPECT_EQ(job.password_state, PasswordState::proved);
        EXPECT_FALSE(job.check_password(u"PW"));
    }
    job.options = job_option::cipher_rijndael | job_option::password;
    write_set();
    job.password = u"kept";
    job.password_state = PasswordState::prove_only;
    EXPECT_FALSE(job.check_password(u"wrong"));
    EXPECT_EQ(job.password_state, PasswordState::prove_only);
    EXPECT_TRUE(job.check_password(u"pw"));
    EXPECT_EQ(job.password_state, PasswordState::proved);
    EXPECT_EQ(job.password, u"kept");  // state 4 proves without keeping
    job.password_state = PasswordState::must_prove;
    EXPECT_TRUE(job.check_password(u"pw"));
    EXPECT_EQ(job.password, u"pw");  // state 1 keeps what it proved
}

TEST_F(JobPassword, NeedPasswordByStateAndUnattendedRuns) {
    struct Case {
        std::uint32_t options;
        PasswordState state;
        bool unattended_run;
        bool expected;
    };
    const std::uint32_t secured = job_option::password;
    const Case cases[] = {
        {secured | job_option::unattended, PasswordState::not_loaded, true, false},
        {secured | job_option::unattended, PasswordState::not_loaded, false, true},
        {secured, PasswordState::must_prove, true, true},
        {secured, PasswordState::proved, false, false},
        {0, PasswordState::not_loaded, false, false},
    };
    for (const auto& c : cases) {
        job.options = c.options;
        job.password_state = c.state;
        EXPECT_EQ(job.need_password(c.unattended_run), c.expected);
    }
}

TEST_F(JobPassword, AddChangeAndRemoveRewriteTheSet) {
    // Added to a set without security (kind 0).
    write_set();
    job.options = job_option::cipher_rijndael | job_option::password;
    job.crypted_password(u"first", true);
    EXPECT_EQ(stored().security_kind, archive::SecurityKind::rijndael_with_password);
    auto s = archive::read_stored_security_header(job.archive_file(), 1);
    archive::DataKey key;
    ASSERT_TRUE(archive::unlock_data_key(s->header, *s->format, u"first", key));
    data_key = key.bytes();

    job.modify_password(u"second");
    EXPECT_TRUE(set_opens_with(u"second"));
    EXPECT_EQ(job.password, u"second");

    // A wrong old password leaves the set untouched and the job as it was.
    job.password = u"not the old one";
    const auto before = stored();
    EXPECT_THROW(job.modify_password(u"third"), BackupException);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(job.password, u"not the old one");

    job.password = u"second";
    job.remove_password(false);
    EXPECT_EQ(job.password, u"");
    EXPECT_EQ(stored().security_kind, archive::SecurityKind::password_removed);
    EXPECT_TRUE(set_opens_with(u""));
    const auto removed = stored();
    job.remove_password(false);  // the second removal does nothing to the set
    EXPECT_EQ(stored(), removed);

    // Added again to kind 8: the data key stays, so enciphered runs still read.
    job.crypted_password(u"again", true);
    EXPECT_TRUE(set_opens_with(u"again"));
}

TEST_F(JobPassword, ReplaceArchiveFileKeepsOnlyAProtectedSet) {
    job.options = job_option::cipher_xor | job_option::password;
    job.password = u"pw";
    write_set();
    EXPECT_TRUE(job.replace_archive_file(false));
    EXPECT_EQ(job.password_state, PasswordState::prove_only);
    EXPECT_TRUE(std::filesystem::exists(narrow(job.archive_file())));
    EXPECT_FALSE(job.replace_archive_file(true));
    EXPECT_FALSE(std::filesystem::exists(narrow(job.archive_file())));
}

}  // namespace
}  // namespace brim
