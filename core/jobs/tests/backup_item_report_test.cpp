#include "core/jobs/backup_item_report_coll.h"

#include <filesystem>

#include "basekit/date.h"

#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/tests/store_home.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

class ReportTest : public brim_test::StoreHome {
protected:
    fs::path report_file(const std::string& job) const { return report_dir() / (job + ".log"); }
    // A collection of `count` reports for "Daily" saved to its file.
    void save_reports(int count, std::uint32_t limit = 1024) {
        BackupItemReportColl coll(u"Daily", limit);
        for (int i = 0; i < count; ++i) coll.create_report(ReportType::normal)->begin_time = i;
        coll.save();
    }
    static std::size_t count_of(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
};

TEST_F(ReportTest, WritesTheStoreFormAndReadsEveryFieldBack) {
    LogItem entry;
    entry.type = LogType::warning;
    entry.source = u"Daily";
    entry.user = u"ada";
    entry.time = 77;
    entry.description = u"line\r\nbreak <&>";
    {
        BackupItemReportColl coll(u"Daily");
        BackupItemReport* r = coll.create_report(ReportType::increment_copy);
        r->execution_time = 1000;
        r->begin_time = 1001;
        r->end_time = -5;
        r->original_size = 0xFFFFFFFFFFFFFFFFull;
        r->original_files = 4000000000u;
        r->original_dirs = 3;
        r->completed_size = 1u << 20;
        r->completed_files = 5;
        r->completed_dirs = 6;
        r->result = static_cast<std::int32_t>(RunResult::stopped_with_warnings);
        r->add_log(&entry);
        coll.save();
    }
    const std::string expected =
        "<?xml version='1.0' encoding=\"utf-8\"?>\r\n"
        "<!-- This file represents Orvex Brimvault job reports -->\n\r\n"
        "<brimvault>\r\n\t<version>1.7.0</version>\r\n"
        "\t<report type=\"increment_copy\" execution-time=\"1000\">\r\n"
        "\t\t<begin-time>1001</begin-time>\r\n\t\t<end-time>-5</end-time>\r\n"
        "\t\t<original-size>18446744073709551615</original-size>\r\n"
        "\t\t<original-files>4000000000</original-files>\r\n\t\t<original-dirs>3</original-dirs>\r\n"
        "\t\t<completed-size>1048576</completed-size>\r\n\t\t<completed-files>5</completed-files>\r\n"
        "\t\t<completed-dirs>6</completed-dirs>\r\n\t\t<result>Stopped with warnings</result>\r\n"
        "\t\t<log><type>Warning</type><source>Job 'Daily'</source><user>ada</user><time>77</time>"
        "<description>linebreak &lt;&amp;&gt;</description></log>\r\n"
        "\t</report>\r\n</brimvault>\r\n";
    EXPECT_EQ(read_bytes(report_file("Daily")), expected);

    BackupItemReportColl coll(u"Daily");
    coll.load();
    ASSERT_EQ(coll.report_size(), 1u);
    const BackupItemReport& r = *coll.reports()[0];
    EXPECT_EQ(r.type, ReportType::increment_copy);
    EXPECT_EQ(r.execution_time, 1000);
    EXPECT_EQ(r.end_time, -5);
    EXPECT_EQ(r.original_size, 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(r.original_files, 4000000000u);
    EXPECT_EQ(r.completed_dirs, 6u);
    EXPECT_EQ(r.result, 3);
    ASSERT_EQ(r.log_items().size(), 1u);
    entry.description = u"linebreak <&>";
    EXPECT_EQ(*r.log_items()[0], entry);
}

TEST_F(ReportTest, AppendsNewReportsAndWritesEachOnce) {
    BackupItemReportColl coll(u"Daily");
    coll.create_report(ReportType::normal);
    coll.save();
    coll.create_report(ReportType::restore);
    coll.save();
    coll.save();
    EXPECT_EQ(count_of(read_bytes(report_file("Daily")), "<report "), 2u);
    BackupItemReportColl again(u"Daily");
    again.load();
    ASSERT_EQ(again.report_size(), 2u);
    EXPECT_EQ(again.reports()[1]->type, ReportType::restore);
    EXPECT_TRUE(again.new_reports().empty());
}

// A save of the store while a run goes (another thread saving every job's
// reports) must neither write the run's unfinished report nor make the
// run's own save at its end write nothing. Both when the save appends and
// when it rewrites the whole file.
TEST_F(ReportTest, AReportOfARunInProgressWaitsForItsRunsOwnSave) {
    for (const int earlier : {0, 2}) {
        fs::remove(report_file("Daily"));
        if (earlier > 0) save_reports(earlier);
        BackupItemReportColl coll(u"Daily");
        coll.load();
        coll.create_report(ReportType::restore);  // finished, not saved yet
        BackupItemReport* running = coll.create_report(ReportType::normal, true);
        coll.save();  // the store's save mid-run
        EXPECT_EQ(count_of(read_bytes(report_file("Daily")), "<report "), static_cast<std::size_t>(earlier + 1));
        EXPECT_EQ(coll.copies().size(), static_cast<std::size_t>(earlier + 1));
        running->result = static_cast<std::int32_t>(RunResult::successful);
        coll.close(running);
        coll.save();  // the run's own save
        BackupItemReportColl again(u"Daily");
        again.load();
        ASSERT_EQ(again.report_size(), static_cast<std::size_t>(earlier + 2)) << earlier;
        EXPECT_EQ(again.reports().back()->result, static_cast<std::int32_t>(RunResult::successful));
    }
}

TEST_F(ReportTest, KeepsTheNewestReportsWithinTheLimit) {
    save_reports(60);
    BackupItemReportColl coll(u"Daily");
    coll.load();
    ASSERT_EQ(coll.report_size(), 60u);
    coll.create_report(ReportType::copy)->begin_time = 60;
    EXPECT_EQ(coll.report_size(), 60u);
    EXPECT_EQ(coll.reports().front()->begin_time, 1);
    coll.save();
    EXPECT_EQ(count_of(read_bytes(report_file("Daily")), "<report "), 60u);

    save_reports(75);
    BackupItemReportColl trimmed(u"Daily");
    trimmed.load();
    ASSERT_EQ(trimmed.report_size(), 60u);
    EXPECT_EQ(trimmed.reports().front()->begin_time, 15);
    EXPECT_EQ(trimmed.new_reports().size(), 60u);
    save_reports(75);
    BackupItemReportColl rewritten(u"Daily");
    rewritten.load();
    rewritten.save();
    EXPECT_EQ(count_of(read_bytes(report_file("Daily")), "<report "), 60u);
}

TEST_F(ReportTest, AnUnknownTypeIsKeptAsideAndRepaired) {
    save_reports(3);
    std::string text = read_bytes(report_file("Daily"));
    const auto third = text.find("<report ", text.find("<report ", text.find("<report ") + 1) + 1);
    text.replace(text.find("normal", third), 6, "weekly");
    write_bytes(report_file("Daily"), text);

    BackupItemReportColl coll(u"Daily");
    coll.load();  // a damaged file must not stop the job's runs
    EXPECT_EQ(coll.report_size(), 2u);
    EXPECT_EQ(count_of(read_bytes(report_file("Daily")), "<report "), 2u);
    EXPECT_EQ(read_bytes(report_file("Daily").string() + "bak"), text);
    const auto logged = LogManager::instance()->new_items();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0]->description, core_string(120));
    EXPECT_EQ(logged[0]->type, LogType::warning);
    EXPECT_EQ(logged[0]->source, u"Daily");
    EXPECT_NE(logged[1]->description.find(u"Daily.logbak"), bk::String::npos);
}

TEST_F(ReportTest, NoPrefixOfAReportFileCrashes) {
    save_reports(2);
    const std::string good = read_bytes(report_file("Daily"));
    for (std::size_t n = 1; n < good.size(); ++n) {
        write_bytes(report_file("Daily"), good.substr(0, n));
        BackupItemReportColl coll(u"Daily");
        coll.load();
        // What was read is a whole file again.
        BackupItemReportColl again(u"Daily");
        again.load();
        EXPECT_EQ(again.report_size(), coll.report_size()) << n;
    }
}

TEST_F(ReportTest, RenameMovesTheFileOrOnlyThePath) {
    BackupItemReportColl missing(u"Gone");
    missing.rename(u"Still gone");
    EXPECT_EQ(narrow(missing.log_file()), report_file("Still gone").string());

    save_reports(1);
    BackupItemReportColl coll(u"Daily");
    coll.rename(u"Weekly");
    EXPECT_FALSE(fs::exists(report_file("Daily")));
    EXPECT_TRUE(fs::exists(report_file("Weekly")));
    coll.remove();
    EXPECT_FALSE(fs::exists(report_file("Weekly")));
    EXPECT_TRUE(coll.empty());
}

TEST_F(ReportTest, ExportWritesDatesAndLeavesNewReportsPending) {
    BackupItemReportColl coll(u"Daily");
    coll.create_report(ReportType::normal);
    const fs::path out = home.dir() / "export.xml";
    coll.export_reports(wide(out));
    const std::string text = read_bytes(out);
    EXPECT_NE(text.find("<report type=\"normal\" execution-time=\"" +
                        narrow(bk::Date(coll.reports()[0]->execution_time).to_string()) + "\">"),
              std::string::npos);
    EXPECT_EQ(coll.new_reports().size(), 1u);
    EXPECT_THROW(coll.export_reports(wide(home.dir() / "no/dir/x")), BackupException);
}

TEST_F(ReportTest, JobsReachTheirReportsAndLastBackupTime) {
    BackupItem job;
    EXPECT_EQ(job.get_reports(), nullptr);
    job.name = u"Daily";
    EXPECT_EQ(job.last_backup_time(), 0);
    job.get_reports()->create_report(ReportType::restore)->begin_time = 50;
    EXPECT_EQ(job.last_backup_time(), 0);
    BackupItemReport* normal = job.get_reports()->create_report(ReportType::normal);
    normal->execution_time = 1'700'000'000'000'000;  // a whole date, not a time of day
    normal->begin_time = 40;
    job.get_reports()->create_report(ReportType::restore)->begin_time = 60;
    EXPECT_EQ(job.last_backup_time(), 1'700'000'000'000'000);
    job.get_reports()->save();
    job.rename_report(u"Nightly");
    EXPECT_TRUE(fs::exists(report_file("Nightly")));
}

}  // namespace
}  // namespace brim
