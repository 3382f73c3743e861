#include "core/jobs/password_file.h"

#include <sys/stat.h>

#include <filesystem>

#include "basekit/date.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/tests/store_home.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

std::uint32_t le32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

std::int64_t le64(const std::string& bytes, std::size_t at) {
    return static_cast<std::int64_t>(le32(bytes, at)) | (static_cast<std::int64_t>(le32(bytes, at + 4)) << 32);
}

class PasswordFileTest : public brim_test::StoreHome {
protected:
    BackupItemManager& store() { return *BackupItemManager::instance(); }
    fs::path data_file() const { return config_dir() / "brimkeep.dat"; }
    fs::path config_file() const { return config_dir() / "brimkeep.config"; }

    BackupItem* add_job(const bk::String& name, std::uint32_t security, const bk::String& password = {}) {
        BackupItem* job = store().create_item();
        job->name = name;
        job->kind = BackupKind::normal;
        job->sources = {{u"/src", SourceType::directory, true}};
        job->destination = u"/dest";
        job->creation_time = 42;
        job->options |= security;
        job->password = password;
        job->password_state = security != 0 ? PasswordState::proved : PasswordState::unknown;
        return job;
    }
    // Saves three jobs (two protected) and drops the store; job 2 has reports.
    void save_three_jobs() {
        add_job(u"Alpha", job_option::password | job_option::cipher_rijndael, u"alpha-pw");
        add_job(u"Plain", 0);
        BackupItem* beta = add_job(u"Beta", job_option::cipher_xor, u"beta-pw");
        beta->get_reports()->create_report(ReportType::normal);
        store().save();
        BackupItemManager::del_instance();
    }
    static bool logged(const LogItemList& items, const bk::String& text) {
        for (const auto& item : items)
            if (item->description == text) return true;
        return false;
    }
};

TEST_F(PasswordFileTest, PasswordsRoundTripInTheDocumentedLayout) {
    const bk::String long_password(3000, u'\u00e9');
    const struct {
        std::uint32_t security;
        bk::String password;
    } jobs[] = {
        {job_option::password | job_option::cipher_rijndael, u"p\u00e4ss \u4e2d\U0001F511 \xdc80"},
        {0, u""},
        {job_option::password, u""},
        {job_option::cipher_panama, long_password},
    };
    for (const auto& job : jobs) add_job(u"J", job.security, job.password);
    const std::int64_t before = bk::Date::now_time();
    store().save();

    struct stat st;
    ASSERT_EQ(::stat(data_file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(fs::exists(config_dir() / "brimkeep.dat~~temp"));
    const std::string file = read_bytes(data_file());
    // Plain entries: 4 + 2 + n + 4 bytes each, for the protected jobs.
    std::size_t plain = 0;
    for (const auto& job : jobs)
        if (job.security != 0) plain += 10 + narrow(job.password).size();
    EXPECT_EQ(file.size(), 104 + 16 * (plain / 16 + 1));
    EXPECT_EQ(le32(file, 0), 0x6D89EC11u);
    EXPECT_EQ(le32(file, 4), 0x00010007u);
    EXPECT_GE(le64(file, 40), before);
    EXPECT_LE(le64(file, 40), bk::Date::now_time());
    EXPECT_EQ(le32(file, 48), 3u);
    EXPECT_EQ(file.substr(84, 20), std::string("\xff\xff\xff\xff\x49\xca\x03\xfe\xff\xff\xff\xff\xff\xff\xff\xff"
                                               "\0\0\0\0",
                                               20));
    EXPECT_EQ(file.find("p\xc3\xa4ss"), std::string::npos);

    store().save();
    EXPECT_NE(read_bytes(data_file()).substr(8, 32), file.substr(8, 32)) << "salt and IV are drawn afresh";

    BackupItemManager::del_instance();
    store().load();
    ASSERT_EQ(store().item_count(), 4u);
    for (std::uint32_t id = 1; id <= 4; ++id) {
        const BackupItem* job = store().backup_item(id);
        EXPECT_EQ(job->password, jobs[id - 1].password) << id;
        // An empty password of a job with the password bit is proved against its set.
        const PasswordState expected = id == 2 ? PasswordState::unknown : id == 3 ? PasswordState::must_prove : PasswordState::proved;
        EXPECT_EQ(job->password_state, expected) << id;
    }
}

TEST_F(PasswordFileTest, DamagedFileFailsTheLoadAndDeletesNothing) {
    save_three_jobs();
    const std::string good = read_bytes(data_file());
    const std::string config = read_bytes(config_file());
    struct Case {
        std::string what;
        std::string bytes;
        std::string message;
    };
    std::vector<Case> cases;
    for (std::size_t at : {std::size_t{0}, std::size_t{52}, std::size_t{104}, good.size() - 20, good.size() - 1}) {
        std::string flipped = good;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x01);
        cases.push_back({"byte " + std::to_string(at) + " flipped", flipped, narrow(core_string(117))});
    }
    for (std::size_t n = 0; n < good.size(); ++n)
        cases.push_back({"first " + std::to_string(n) + " bytes", good.substr(0, n), narrow(core_string(117))});
    cases.push_back({"a trailing byte", good + "x", narrow(core_string(117))});
    std::string newer = good;
    newer[6] = 2;  // major version 2
    cases.push_back({"major version 2", newer, narrow(core_string(139))});

    for (const Case& c : cases) {
        BackupItemManager::del_instance();
        LogManager::instance()->new_items();
        write_bytes(data_file(), c.bytes);
        EXPECT_EQ(load_error(), c.message) << c.what;
        EXPECT_EQ(store().item_count(), 0u) << c.what;
        EXPECT_TRUE(logged(LogManager::instance()->new_items(), bk::format_text(core_string(116), {wide(c.message)})))
            << c.what;
        EXPECT_EQ(read_bytes(data_file()), c.bytes) << c.what;
        EXPECT_EQ(read_bytes(config_file()), config) << c.what;
        EXPECT_TRUE(fs::exists(report_dir() / "Beta.log")) << c.what;
    }
}

TEST_F(PasswordFileTest, ReloadLeavesOutTheJobsWhosePasswordsAreLostAndRefusesToSave) {
    save_three_jobs();
    const std::string config = read_bytes(config_file());
    std::string damaged = read_bytes(data_file());
    damaged[110] = static_cast<char>(damaged[110] ^ 0x80);
    write_bytes(data_file(), damaged);
    LogManager::instance()->new_items();
    store().reload();
    ASSERT_EQ(store().item_count(), 1u);
    EXPECT_NE(store().backup_item(2), nullptr);
    EXPECT_TRUE(store().partly_read());
    EXPECT_EQ(store().left_out(), (std::vector<bk::String>{u"Alpha", u"Beta"}));
    EXPECT_TRUE(fs::exists(report_dir() / "Beta.log"));
    EXPECT_TRUE(logged(LogManager::instance()->new_items(), core_string(524)));
    // Saving would lose them for good: refused until the store is repaired.
    try {
        store().save();
        ADD_FAILURE() << "saved";
    } catch (const BackupException& error) {
        EXPECT_NE(error.message().find(core_string(523)), bk::String::npos);
    }
    EXPECT_EQ(read_bytes(config_file()), config);
    store().save_copy(1);
    EXPECT_FALSE(fs::exists(config_dir() / "brimkeep.configbak"));
    const auto kept = store().repair();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(read_bytes(narrow(kept[0])), config);
    EXPECT_EQ(read_bytes(narrow(kept[1])), damaged);
    EXPECT_FALSE(store().partly_read());
    BackupItemManager::del_instance();
    EXPECT_EQ(load_error(), "");
    EXPECT_EQ(store().item_count(), 1u);

    // A newer version alone does not hide the passwords from the lenient load.
    BackupItemManager::del_instance();
    save_three_jobs();
    std::string newer = read_bytes(data_file());
    newer[6] = 2;
    write_bytes(data_file(), newer);
    store().reload();
    EXPECT_EQ(store().item_count(), 3u);
    EXPECT_EQ(store().backup_item(3)->password, u"beta-pw");
}

TEST_F(PasswordFileTest, AnIntactFileWithoutAJobsPasswordDeletesThatJob) {
    add_job(u"Alpha", job_option::password, u"alpha-pw");
    store().save();
    const std::string only_alpha = read_bytes(data_file());
    add_job(u"Gamma", job_option::password, u"gamma-pw")->get_reports()->create_report(ReportType::normal);
    store().save();
    write_bytes(data_file(), only_alpha);

    BackupItemManager::del_instance();
    LogManager::instance()->new_items();
    store().load();
    ASSERT_EQ(store().item_count(), 1u);
    EXPECT_EQ(store().backup_item(1)->password, u"alpha-pw");
    EXPECT_TRUE(logged(LogManager::instance()->new_items(), core_string(198)));
    EXPECT_FALSE(fs::exists(report_dir() / "Gamma.log"));
}

TEST_F(PasswordFileTest, MissingFileFailsTheLoadAndTheSafetyCopyRestoresIt) {
    save_three_jobs();
    store().save_copy(1);
    const std::string saved = read_bytes(data_file());
    EXPECT_EQ(read_bytes(config_dir() / "brimkeep.datbak"), saved);

    fs::remove(data_file());
    EXPECT_FALSE(load_error().empty());
    EXPECT_EQ(store().item_count(), 0u);
    write_bytes(data_file(), saved.substr(0, 150));
    EXPECT_EQ(load_error(), narrow(core_string(117)));

    EXPECT_TRUE(store().load_copy());
    ASSERT_EQ(store().item_count(), 3u);
    EXPECT_EQ(store().backup_item(1)->password, u"alpha-pw");
    EXPECT_EQ(store().backup_item(3)->password_state, PasswordState::proved);
    EXPECT_EQ(read_bytes(data_file()), saved);
    struct stat st;
    ASSERT_EQ(::stat(data_file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(PasswordFileTest, WhenTheFileIsWrittenKeptOrDeleted) {
    add_job(u"Alpha", job_option::password, u"alpha-pw");
    BackupItem* plain = add_job(u"Plain", 0);
    store().save();
    const std::string saved = read_bytes(data_file());

    // An over-long password is refused rather than stored cut short.
    store().backup_item(1)->password = bk::String(0x8000, u'\u00e9');
    try {
        store().save();
        ADD_FAILURE() << "an over-long password was saved";
    } catch (const BackupException& error) {
        EXPECT_EQ(error.message(), bk::format_text(core_string(118), {core_string(408)}));
    }
    EXPECT_EQ(read_bytes(data_file()), saved);

    store().remove(store().backup_item(1), false);
    store().save();
    EXPECT_EQ(read_bytes(data_file()), saved) << "no protected job: the file is left as it is";
    store().remove(plain, false);
    store().save();
    EXPECT_FALSE(fs::exists(data_file()));
}

}  // namespace
}  // namespace brim
