#include "core/jobs/backup_item_manager.h"

#include <sys/stat.h>

#include <filesystem>

#include "basekit/date.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/job_file_codec.h"
#include "core/jobs/tests/store_home.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

const std::string header =
    "<?xml version='1.0' encoding=\"utf-8\"?>\r\n"
    "<!-- This file represents the backup job for application Brimvault-->\n\r\n"
    "<brimvault>\r\n\t<version>1.7.0</version>\r\n";

// A minimal valid job block; `extra` lines go before </job>.
std::string job_block(int id, const std::string& extra = "\t\t<read-write>\r\n\t\t</read-write>\r\n") {
    return "\t<job id=\"" + std::to_string(id) + "\" name=\"J" + std::to_string(id) +
           "\" replace=\"yes\">\r\n\t\t<option>0</option>\r\n\t\t<source type=\"file\">/a</source>\r\n"
           "\t\t<destination>/d</destination>\r\n\t\t<backup-type>normal</backup-type>\r\n"
           "\t\t<creation-time>5</creation-time>\r\n" +
           extra + "\t</job>\r\n";
}

class JobStoreTest : public brim_test::StoreHome {
protected:
    BackupItemManager& store() { return *BackupItemManager::instance(); }
    fs::path config_file() const { return config_dir() / "brimkeep.config"; }
    void write_config(const std::string& jobs) {
        SystemInfo::instance();
        write_bytes(config_file(), header + jobs + "</brimvault>\r\n");
    }
    // A job with every field set, its texts holding markup characters,
    // non-ASCII letters and escaped undecodable bytes.
    static void fill(BackupItem& job) {
        job.name = u"Daily \"A\" <&> \u00e9\u4e2d\xdc80";
        job.destination = u"/dest/<x>&\"y\"\xdcff";
        job.task_name = u"Task & \"1\"";
        job.options = job_option::notify | job_option::verify | job_option::keep_set | job_option::aware_ext |
                      job_option::open_file | job_option::retry | job_option::restore_by_time | job_option::unattended;
        job.kind = BackupKind::increment;
        job.sources = {{u"/src/a\"b<c>", SourceType::directory, true},
                       {u"/src/f&g", SourceType::file, false},
                       {u"ftp.example.org", SourceType::ftp_server, true},
                       {u"/pub/x", SourceType::ftp_directory, false},
                       {u"/pub/y.txt", SourceType::ftp_file, false}};
        job.ftp_servers = {{u"ftp.example.org", u"us\"er", u"p<a>ss&", 2121, true}, {u"h2", u"", u"", 21, false}};
        job.extensions = {u"doc", u"t<x>t"};
        job.creation_time = bk::Date(2024, 3, 5, 14, 30, 0).time();
        job.append_mode = 0;
        job.trigger = std::make_unique<TriggerData>();
        job.trigger->kind = TriggerData::Kind::weekly;
        job.trigger->interval = 2;
        job.trigger->days_of_week = 0x1 | 0x20 | 0x40;
        job.retry_interval = 9;
        job.retry_count = 33;
    }
    static void expect_same(const BackupItem& a, const BackupItem& b, bool with_ids) {
        if (with_ids) {
            EXPECT_EQ(a.id, b.id);
        }
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.destination, b.destination);
        EXPECT_EQ(a.task_name, b.task_name);
        EXPECT_EQ(a.options, b.options);
        EXPECT_EQ(a.kind, b.kind);
        EXPECT_EQ(a.sources, b.sources);
        EXPECT_EQ(a.ftp_servers, b.ftp_servers);
        EXPECT_EQ(a.extensions, b.extensions);
        EXPECT_EQ(a.creation_time, b.creation_time);
        EXPECT_EQ(a.append_mode, b.append_mode);
        EXPECT_EQ(a.rotation_times, b.rotation_times);
        ASSERT_EQ(a.trigger != nullptr, b.trigger != nullptr);
        if (a.trigger) {
            EXPECT_EQ(*a.trigger, *b.trigger);
        }
    }
};

TEST_F(JobStoreTest, EveryFieldRoundTripsThroughTheJobFile) {
    BackupItem* job = store().create_item();
    fill(*job);
    BackupItem* second = store().create_item();
    fill(*second);
    second->kind = BackupKind::normal;
    second->trigger.reset();
    second->append_mode = 1;
    second->rotation_times = 7;
    second->options &= ~job_option::retry;
    store().save();

    struct stat st;
    ASSERT_EQ(::stat(config_file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(fs::exists(config_dir() / "brimkeep.config~~temp"));

    BackupItemManager::del_instance();
    store().load();
    ASSERT_EQ(store().item_count(), 2u);
    BackupItem expected;
    fill(expected);
    expected.id = 1;
    expect_same(*store().backup_item(1), expected, true);
    EXPECT_EQ(store().backup_item(1)->retry_interval, 9);
    EXPECT_EQ(store().backup_item(1)->retry_count, 33);
    EXPECT_EQ(store().backup_item(2)->append_mode, 1);
    EXPECT_EQ(store().backup_item(2)->rotation_times, 7u);
    EXPECT_EQ(store().backup_item(2)->retry_count, 20);  // not written without the retry bit
    EXPECT_EQ(store().highest_id(), 2u);
}

// Line breaks, TABs and every other control character are legal in Linux
// names: each value keeps its one line and reads back exactly, also next to
// text that looks like a character reference.
TEST_F(JobStoreTest, ControlCharactersInEveryValueRoundTrip) {
    bk::String controls;
    for (char16_t c = 1; c < 0x20; ++c) controls += c;
    controls += u'\x7f';
    BackupItem* job = store().create_item();
    fill(*job);
    job->destination = u"/dest/" + controls + u"&#10;&#x41;&#;&#99999999;";
    job->task_name = u"task\tname\r\n";
    job->sources[0].path = u"/src/new\nline";
    job->sources[1].path = u"/src/" + controls;
    job->ftp_servers[0].password = u"pa\nss\t";
    job->extensions = {u"a\nb"};
    job->name = u"Control \u00e9 &#10;";
    store().save();
    for (char bad : {'\n', '\t'}) {
        std::string text = read_bytes(config_file());
        // Only the frame's own line ends and the indentation remain.
        for (std::size_t at = text.find(bad); at != std::string::npos; at = text.find(bad, at + 1))
            EXPECT_TRUE(bad == '\n' ? text[at - 1] == '\r' || text[at - 1] == '>' : text[at - 1] == '\t' || text[at - 1] == '\n')
                << at;
    }
    BackupItemManager::del_instance();
    EXPECT_EQ(load_error(), "");
    ASSERT_EQ(store().item_count(), 1u);
    const BackupItem& read = *store().backup_item(1);
    EXPECT_EQ(read.destination, u"/dest/" + controls + u"&#10;&#x41;&#;&#99999999;");
    EXPECT_EQ(read.task_name, u"task\tname\r\n");
    EXPECT_EQ(read.sources[0].path, u"/src/new\nline");
    EXPECT_EQ(read.sources[1].path, u"/src/" + controls);
    EXPECT_EQ(read.ftp_servers[0].password, u"pa\nss\t");
    EXPECT_EQ(read.extensions, std::vector<bk::String>{u"a\nb"});
    EXPECT_EQ(read.name, u"Control \u00e9 &#10;");
}

// A job's name is the file name of its set and report: names that are not
// one file name leave that job out of the load, with a warning.
TEST_F(JobStoreTest, NamesThatAreNotOneFileNameAreLeftOut) {
    const struct {
        bk::String name;
        JobNameFault fault;
    } cases[] = {
        {u"Daily", JobNameFault::none},     {u"..x", JobNameFault::none},     {u"a\\b", JobNameFault::none},
        {bk::String(200, u'n'), JobNameFault::none}, {bk::String(100, u'\u00e9'), JobNameFault::none},
        {u"", JobNameFault::empty},         {u".", JobNameFault::dots},       {u"..", JobNameFault::dots},
        {u"../x", JobNameFault::separator}, {u"a/b", JobNameFault::separator}, {u"x\ny", JobNameFault::control},
        {u"x\x7f", JobNameFault::control},  {bk::String(201, u'n'), JobNameFault::too_long},
        {bk::String(101, u'\u00e9'), JobNameFault::too_long},
    };
    for (const auto& c : cases) EXPECT_EQ(job_name_fault(c.name), c.fault) << narrow(c.name);

    std::string bad = job_block(2);
    bad.replace(bad.find("name=\"J2\""), 9, "name=\"../../x\"");
    write_config(job_block(1) + bad + job_block(3));
    EXPECT_EQ(load_error(), "");
    EXPECT_EQ(store().item_count(), 2u);
    EXPECT_EQ(store().backup_item(2), nullptr);
    EXPECT_TRUE(store().partly_read());
    EXPECT_EQ(store().left_out(), std::vector<bk::String>{u"../../x"});
    const auto logged = LogManager::instance()->new_items();
    ASSERT_FALSE(logged.empty());
    EXPECT_EQ(logged[0]->type, LogType::warning);
    EXPECT_EQ(logged[0]->description, bk::format_text(core_string(520), {bk::String(u"../../x")}));
}

TEST_F(JobStoreTest, TheTextFormTellsWhatItCannotKeep) {
    const struct {
        const char* what;
        void (*change)(BackupItem&);
        bool fits;
    } cases[] = {
        {"as filled", [](BackupItem&) {}, true},
        {"; in a destination", [](BackupItem& j) { j.destination = u"/a;b"; }, true},
        {"line break in a source", [](BackupItem& j) { j.sources[0].path = u"/a\nb"; }, false},
        {"TAB in the destination", [](BackupItem& j) { j.destination = u"/a\tb"; }, false},
        {"; in a source", [](BackupItem& j) { j.sources[1].path = u"/a;b"; }, false},
        {"; in an extension", [](BackupItem& j) { j.extensions = {u".a;b"}; }, false},
        {"| in an FTP password", [](BackupItem& j) { j.ftp_servers[0].password = u"p|w"; }, false},
    };
    for (const auto& c : cases) {
        BackupItem job;
        fill(job);
        c.change(job);
        EXPECT_EQ(fits_text_form(job), c.fits) << c.what;
        if (c.fits) {
            auto back = job_from_text(job_to_text(job));
            ASSERT_NE(back, nullptr) << c.what;
            EXPECT_EQ(back->sources, job.sources) << c.what;
            EXPECT_EQ(back->destination, job.destination) << c.what;
        }
    }
}

TEST_F(JobStoreTest, WritesTheDocumentedLines) {
    BackupItem* job = store().create_item();
    job->name = u"Daily";
    job->options = job_option::notify | job_option::keep_set | job_option::password | job_option::cipher_rijndael;
    job->kind = BackupKind::copy;
    job->sources = {{u"/home/a", SourceType::directory, true}};
    job->destination = u"/backup";
    job->creation_time = 42;
    store().save();
    EXPECT_EQ(read_bytes(config_file()),
              header +
                  "\t<job id=\"1\" name=\"Daily\" notify=\"yes\" replace=\"no\">\r\n"
                  "\t\t<option>3632</option>\r\n"
                  "\t\t<source type=\"directory\" recursive=\"yes\">/home/a</source>\r\n"
                  "\t\t<destination>/backup</destination>\r\n\t\t<backup-type>copy</backup-type>\r\n"
                  "\t\t<creation-time>42</creation-time>\r\n"
                  "\t\t<read-write>\r\n\t\t\t<enable-open-file>no</enable-open-file>\r\n"
                  "\t\t\t<enable-retry>no</enable-retry>\r\n\t\t</read-write>\r\n"
                  "\t\t<security>\r\n\t\t\t<enable-password/>\r\n\t\t\t<encryption>\r\n"
                  "\t\t\t\t<source type=\"whole\"/>\r\n\t\t\t\t<algorithm>rijndael</algorithm>\r\n"
                  "\t\t\t</encryption>\r\n\t\t</security>\r\n"
                  "\t</job>\r\n</brimvault>\r\n");
    BackupItemManager::del_instance();
    store().load();
    // No password was ever given: it is to be proved against the set, never
    // taken to be the empty one.
    EXPECT_EQ(store().backup_item(1)->password_state, PasswordState::must_prove);
    EXPECT_EQ(store().backup_item(1)->options, 0xE30u);
}

TEST_F(JobStoreTest, BothExportFormatsRoundTripWithoutSecurity) {
    BackupItem* job = store().create_item();
    fill(*job);
    job->options |= job_option::password | job_option::cipher_xor;
    job->password = u"secret";
    job->password_state = PasswordState::proved;
    for (JobFileFormat format : {JobFileFormat::xml, JobFileFormat::text}) {
        const fs::path out = home.dir() / (format == JobFileFormat::xml ? "jobs.xml" : "jobs.txt");
        store().export_jobs(store().items(), wide(out), format);
        const std::string text = read_bytes(out);
        EXPECT_EQ(text.find("security"), std::string::npos);
        EXPECT_EQ(text.find("secret"), std::string::npos);
        auto imported = store().import_jobs(wide(out), format);
        ASSERT_EQ(imported.size(), 1u);
        BackupItem expected;
        fill(expected);
        expected.options |= job_option::password | job_option::cipher_xor;
        if (format == JobFileFormat::text) {
            // The text form keeps no task name, append mode or trigger.
            expected.task_name.clear();
            expected.trigger.reset();
            imported[0]->retry_interval = expected.retry_interval;
        }
        expect_same(*imported[0], expected, false);
        EXPECT_EQ(imported[0]->password_state, PasswordState::must_prove);
        EXPECT_TRUE(imported[0]->password.empty());
    }
    const auto logged = LogManager::instance()->new_items();
    ASSERT_FALSE(logged.empty());
    EXPECT_NE(logged.back()->description.find(u"imported 1 jobs."), bk::String::npos);
}

TEST_F(JobStoreTest, ReadingRulesOfTheJobFile) {
    struct Case {
        const char* what;
        std::string extra;
        std::uint32_t options;
        std::uint16_t interval;
        std::uint16_t count;
        std::uint32_t rotation;
    };
    const Case cases[] = {
        {"no read-write", "", 0x30000, 5, 20, 0},
        {"retry count 0, interval 40000",
         "\t\t<read-write>\r\n\t\t\t<enable-retry>yes</enable-retry>\r\n\t\t\t<retry-interval>40000</retry-interval>\r\n"
         "\t\t\t<retry-count>0</retry-count>\r\n\t\t</read-write>\r\n",
         0x20000, 5, 20, 0},
        {"rotation times 1",
         "\t\t<append-mode attr=\"new-arch\">\r\n\t\t\t<rotation-times>1</rotation-times>\r\n\t\t</append-mode>\r\n"
         "\t\t<read-write>\r\n\t\t</read-write>\r\n",
         0, 5, 20, 15},
    };
    for (const auto& c : cases) {
        BackupItemManager::del_instance();
        write_config(job_block(3, c.extra));
        store().load();
        const BackupItem* job = store().backup_item(3);
        ASSERT_NE(job, nullptr) << c.what;
        EXPECT_EQ(job->options, c.options) << c.what;
        EXPECT_EQ(job->retry_interval, c.interval) << c.what;
        EXPECT_EQ(job->retry_count, c.count) << c.what;
        EXPECT_EQ(job->rotation_times, c.rotation) << c.what;
    }
}

TEST_F(JobStoreTest, StrictLoadRefusesWhatReloadSkips) {
    const std::string twice = job_block(2, "\t\t<option>0</option>\r\n");
    const std::string no_sources = std::string(job_block(4)).replace(job_block(4).find("\t\t<source"), 38, "");
    for (const std::string& bad : {twice, no_sources, job_block(5, "\t\t<colour>red</colour>\r\n")}) {
        BackupItemManager::del_instance();
        write_config(job_block(1) + bad + job_block(7));
        EXPECT_EQ(load_error(), narrow(core_string(104)));
        EXPECT_EQ(store().item_count(), 0u);
        store().reload();
        EXPECT_EQ(store().item_count(), 2u);
        EXPECT_NE(store().backup_item(7), nullptr);
        EXPECT_EQ(store().highest_id(), 7u);
    }
}

TEST_F(JobStoreTest, DamagedFramesGiveTheirMessagesAndNoPrefixCrashes) {
    write_config(job_block(1));
    std::string good = read_bytes(config_file());
    std::string blank = good;
    blank.insert(good.find("<brimvault>") + 11, " ");
    write_bytes(config_file(), blank);
    EXPECT_EQ(load_error(), narrow(core_string(104)));
    std::string old = good;
    old.replace(good.find("1.7.0"), 1, "0");
    write_bytes(config_file(), old);
    EXPECT_EQ(load_error(), narrow(core_string(139)));

    for (std::size_t n = 0; n < good.size(); ++n) {
        BackupItemManager::del_instance();
        write_bytes(config_file(), good.substr(0, n));
        const std::string error = load_error();
        if (n != 0 && n + 1 < good.size()) {
            EXPECT_FALSE(error.empty()) << n;
        }
        store().reload();
    }
}

TEST_F(JobStoreTest, IdsAddRemoveAndReports) {
    write_config(job_block(3));
    store().load();
    auto job = std::make_unique<BackupItem>();
    job->id = 7;
    BackupItem* raw = job.get();
    EXPECT_TRUE(store().add(std::move(job)));
    EXPECT_EQ(raw->id, 4u);
    EXPECT_FALSE(store().add(nullptr));
    BackupItem* made = store().create_item();
    EXPECT_EQ(made->id, 5u);
    EXPECT_EQ(made->options, job_option::new_job_default);

    raw->name = u"Weekly";
    raw->get_reports()->create_report(ReportType::normal);
    raw->get_reports()->save();
    ASSERT_TRUE(fs::exists(report_dir() / "Weekly.log"));
    store().remove(raw, true);
    EXPECT_FALSE(fs::exists(report_dir() / "Weekly.log"));
    EXPECT_EQ(store().backup_item(4), nullptr);

    BackupItemReportColl(u"J3").create_report(ReportType::normal);
    {
        BackupItemReportColl coll(u"J3");
        coll.create_report(ReportType::normal);
        coll.save();
    }
    store().remove_all(true);
    EXPECT_TRUE(fs::exists(report_dir() / "J3.log"));
    EXPECT_EQ(store().item_count(), 0u);
    EXPECT_EQ(store().create_item()->id, 6u);
}

TEST_F(JobStoreTest, SafetyCopiesAndLoadingThem) {
    EXPECT_FALSE(store().load_copy());
    EXPECT_EQ(store().last_config_backup_time(), 0);
    write_config(job_block(1));
    store().save_copy(0);
    EXPECT_FALSE(fs::exists(config_dir() / "brimkeep.configbak"));
    store().save_copy(2);
    EXPECT_EQ(read_bytes(config_dir() / "brimkeep.configbak"), read_bytes(config_file()));
    EXPECT_GT(store().last_config_backup_time(), 0);

    write_bytes(config_file(), "damaged");
    EXPECT_FALSE(load_error().empty());
    EXPECT_TRUE(store().load_copy());
    EXPECT_EQ(store().item_count(), 1u);
    EXPECT_EQ(read_bytes(config_dir() / "brimkeep.configbak"), read_bytes(config_file()));
}

}  // namespace
}  // namespace brim
