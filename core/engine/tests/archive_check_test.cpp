// The check of a job's destination before a backup run: what it answers for
// each thing found there, by hand and unattended, and the log entries the
// unattended rules write.
#include <filesystem>

#include <gtest/gtest.h>

#include "core/archive/set_security.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/tests/store_home.h"
#include "core/restore/opened_set.h"
#include "tests/support/set_contents.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::write_bytes;

// A set's file header (magic, version, span word) and what follows it.
std::string set_file(std::uint32_t version, std::size_t extra) {
    std::string bytes = {'\xEC', '\x89', '\x6D', '\x1F'};
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(version >> shift));
    bytes.append(4, '\0');
    bytes.append(extra, '\0');
    return bytes;
}

class ArchiveCheck : public brim_test::StoreHome {
protected:
    ArchiveCheck() {
        src = home.dir().path() / "src";
        fs::create_directories(src);
        write_bytes(src / "a", "alpha");
        dest = home.dir().path() / "dest";
        fs::create_directories(dest);
        job.name = u"Daily";
        job.kind = BackupKind::normal;
        job.destination = wide(dest);
        job.sources = {{wide(src), SourceType::directory, true}};
        LogManager::instance()->new_items();
    }

    void back_up() {
        auto session = BackupSession::create_session(&job, SessionDirection::backup);
        session->backup();
        ASSERT_EQ(job.get_reports()->reports().back()->result, 0);
        LogManager::instance()->new_items();
    }

    CheckResult check(bool unattended) {
        auto session = BackupSession::create_session(&job, SessionDirection::backup);
        return session->check_archive(unattended);
    }

    // The entries logged since the last call, as "type:text".
    static std::vector<std::string> logged() {
        std::vector<std::string> entries;
        for (const auto& item : LogManager::instance()->new_items()) {
            EXPECT_EQ(item->source, u"Daily");
            entries.push_back(std::to_string(static_cast<int>(item->type)) + ":" + narrow(item->description));
        }
        return entries;
    }

    fs::path archive() const { return fs::path(narrow(job.archive_file())); }

    fs::path src, dest;
    BackupItem job;
};

const std::string warning_floppy = "2:Backed up data to floppy disk may lead data lost.";
const std::string warning_replaced = "2:The entire contents of the backup set has been replaced.";
const std::string warning_foreign =
    "2:The backup set on the destination was not blank and was created by another application. Orvex Brimvault has "
    "cleared the entire contents.";
const std::string warning_incomplete =
    "2:The backup set on the destination was incomplete. Orvex Brimvault has replaced the entire contents of the "
    "backup set.";

TEST_F(ArchiveCheck, DirectoryCopyGoesOnWithoutLookingAtTheDestination) {
    job.kind = BackupKind::directory_copy;
    job.destination = u"A:/nowhere";
    EXPECT_EQ(check(false), CheckResult::go_on);
    EXPECT_EQ(check(true), CheckResult::go_on);
    EXPECT_TRUE(logged().empty());
}

TEST_F(ArchiveCheck, WhatLiesAtTheDestinationDecidesTheAnswer) {
    struct Case {
        const char* name;
        std::function<void()> prepare;  // writes what lies at the archive path
        std::uint32_t options;
        CheckResult by_hand;
        CheckResult unattended;
        std::vector<std::string> entries;  // logged by the unattended check
    };
    const auto nothing = [] {};
    const auto own_set = [this] { back_up(); };
    const auto foreign = [this] { write_bytes(archive(), "not a set of ours at all, just text"); };
    const auto twelve_bytes = [this] { write_bytes(archive(), set_file(0x00020000, 0)); };
    const auto fourteen_bytes = [this] { write_bytes(archive(), set_file(0x00020000, 2)); };
    const auto newer = [this] { write_bytes(archive(), set_file(0x00030000, 100)); };
    const auto empty = [this] { write_bytes(archive(), ""); };
    const std::string failed = "3:Failed to execute backup operation(";
    const Case cases[] = {
        {"no set", nothing, 0, CheckResult::go_on, CheckResult::go_on_logged, {}},
        {"empty file", empty, 0, CheckResult::go_on, CheckResult::go_on_logged, {}},
        {"own set, replacing", own_set, 0, CheckResult::replaces_set, CheckResult::go_on_logged, {warning_replaced}},
        {"own set, appending", own_set, job_option::keep_set, CheckResult::go_on, CheckResult::go_on_logged, {}},
        {"foreign file", foreign, 0, CheckResult::clears_foreign, CheckResult::go_on_logged, {warning_foreign}},
        {"12-byte file", twelve_bytes, 0, CheckResult::clears_foreign, CheckResult::go_on_logged, {warning_foreign}},
        {"14-byte set, appending", fourteen_bytes, job_option::keep_set, CheckResult::replaces_incomplete,
         CheckResult::go_on_logged, {warning_incomplete}},
        {"14-byte set, replacing", fourteen_bytes, 0, CheckResult::go_on, CheckResult::go_on_logged,
         {warning_incomplete}},
        {"newer version", newer, 0, CheckResult::newer_version, CheckResult::failed,
         {failed + "The version of the backup set was higher then the current Orvex Brimvault version)!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dest);
        fs::create_directories(dest);
        job.options = 0;
        c.prepare();
        job.options = c.options;
        EXPECT_EQ(check(false), c.by_hand);
        EXPECT_TRUE(logged().empty());
        EXPECT_EQ(check(true), c.unattended);
        EXPECT_EQ(logged(), c.entries);
    }
}

TEST_F(ArchiveCheck, AFloppyDriveLetterWarnsByHandAndLogsUnattended) {
    for (const char16_t* destination : {u"A:", u"a:/backup", u"B:/x", u"b:"}) {
        job.destination = destination;
        EXPECT_EQ(check(false), CheckResult::go_on_floppy);
        EXPECT_EQ(check(true), CheckResult::go_on_logged);
        EXPECT_EQ(logged(), std::vector<std::string>{warning_floppy});
    }
    for (const char16_t* destination : {u"Aside", u"/A:", u"C:/x", u"backup"}) {
        job.destination = destination;
        EXPECT_EQ(check(false), CheckResult::go_on) << narrow(destination);
    }
}

TEST_F(ArchiveCheck, TheFloppyOffsetAppliesToTheQuestions) {
    // "A:" is a relative folder here: the test works inside the temporary home.
    const fs::path saved = fs::current_path();
    fs::create_directories(home.dir().path() / "A:");
    fs::current_path(home.dir().path());
    job.destination = u"A:";
    write_bytes(archive(), "foreign");
    EXPECT_EQ(check(false), CheckResult::clears_foreign_floppy);
    back_up();
    EXPECT_EQ(check(false), CheckResult::replaces_set_floppy);
    fs::current_path(saved);
}

TEST_F(ArchiveCheck, MergeCopyGoesOnOntoItsOwnSetWithoutAnEntry) {
    job.kind = BackupKind::merge_copy;
    back_up();
    EXPECT_EQ(check(false), CheckResult::go_on);
    EXPECT_EQ(check(true), CheckResult::go_on_logged);
    EXPECT_TRUE(logged().empty());
}

TEST_F(ArchiveCheck, APasswordTheJobCannotProveRefusesTheRun) {
    job.options = job_option::cipher_rijndael | job_option::password;
    job.password = u"right";
    job.password_state = PasswordState::proved;
    back_up();

    job.password = u"wrong";
    EXPECT_EQ(check(false), CheckResult::password_mismatch);
    EXPECT_EQ(check(true), CheckResult::failed);
    EXPECT_EQ(logged(), std::vector<std::string>{"3:Failed to execute backup operation(The password of job and the "
                                                  "associated backup set do not match)!"});

    job.options = 0;
    job.password.clear();
    EXPECT_EQ(check(false), CheckResult::password_needed);
    EXPECT_EQ(check(true), CheckResult::failed);
    EXPECT_EQ(logged(), std::vector<std::string>{"3:Failed to execute backup operation(The backup set had security "
                                                  "setting and failed to authenticate)!"});
}

TEST_F(ArchiveCheck, TheJobsPasswordIsAddedToItsUnprotectedSet) {
    back_up();
    job.options = job_option::keep_set | job_option::password;
    job.password = u"secret";
    job.password_state = PasswordState::proved;
    EXPECT_EQ(check(false), CheckResult::go_on);

    const auto stored = archive::read_stored_security_header(job.archive_file(), Version::major_version);
    ASSERT_TRUE(stored);
    EXPECT_TRUE(archive::has_password(stored->header.security_kind));
    archive::DataKey key;
    EXPECT_TRUE(archive::unlock_data_key(stored->header, *stored->format, u"secret", key));
    EXPECT_FALSE(archive::unlock_data_key(stored->header, *stored->format, u"other", key));
    // The set's first run still reads behind the new password, byte for
    // byte, and only behind it.
    restore::OpenedSet set;
    ASSERT_EQ(restore::read_opened_set(job, job.archive_file(), nullptr, set), restore::ReadResult::ok);
    ASSERT_EQ(set.layout.run_count(), 1u);
    const auto files = brim_test::run_contents(set.layout, set.layout.runs[0], u"secret");
    EXPECT_EQ(files, (std::map<bk::String, std::string>{{wide(src / "a"), "alpha"}}));
    job.password = u"other";
    EXPECT_EQ(check(false), CheckResult::password_mismatch);
    restore::OpenedSet refused;
    EXPECT_NE(restore::read_opened_set(job, job.archive_file(), nullptr, refused), restore::ReadResult::ok);
}

TEST_F(ArchiveCheck, ARunCutShortByACrashLeavesASetTheNextRunAppendsTo) {
    job.options = job_option::keep_set;
    back_up();
    const std::uintmax_t sound = fs::file_size(archive());
    {
        std::ofstream tail(archive(), std::ios::binary | std::ios::app);
        tail << std::string(700, '\x5A');
    }
    ASSERT_GT(fs::file_size(archive()), sound);
    EXPECT_EQ(check(false), CheckResult::go_on);
    back_up();
    restore::OpenedSet set;
    EXPECT_EQ(restore::read_opened_set(job, job.archive_file(), nullptr, set), restore::ReadResult::ok);
    EXPECT_EQ(set.layout.run_count(), 2u);
}

}  // namespace
}  // namespace brim
