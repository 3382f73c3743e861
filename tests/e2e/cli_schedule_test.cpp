// Scheduling through brimvault-cli, against a stand-in crontab program that
// keeps the table in a file: the lines written and taken away, the gate cron
// starts, and the catch-up of a run missed while the computer was off.
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "basekit/convertion.h"
#include "basekit/date.h"
#include "taskplan/crontab_block.h"
#include "taskplan/schedule_gate.h"
#include "taskplan/work_item.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/fake_crontab.h"

namespace brim_test {
namespace {

class CliSchedule : public CliJobs {
protected:
    CliSchedule() {
        std::filesystem::create_directories(src);
        std::ofstream(src / "a.txt") << "a";
        write_fake_crontab(root / "crontab", table_path());
        home.set("BRIMVAULT_CRONTAB", (root / "crontab").string());
        std::ofstream(table_path()) << "MAILTO=ann\n5 4 * * * /home/ann/sync\n";
    }

    std::filesystem::path table_path() const { return root / "table"; }
    std::string table() const {
        std::ifstream in(table_path());
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    taskplan::WorkItemStore items() const { return taskplan::WorkItemStore(wide(config_dir() / "schedule")); }
};

TEST_F(CliSchedule, WritesTheJobsLinesAndTakesThemAwayKeepingTheUsers) {
    add_job("Photos", "normal");
    const auto scheduled = cli({"schedule", "Photos", "--weekly", "mon,thu", "21:00"});
    ASSERT_EQ(scheduled.status, 0) << scheduled.output;
    EXPECT_NE(scheduled.output.find("Scheduled \"Photos\": next run "), std::string::npos) << scheduled.output;
    const std::string written = table();
    EXPECT_EQ(written.rfind("MAILTO=ann\n5 4 * * * /home/ann/sync\n" + std::string(taskplan::block_begin), 0), 0u);
    EXPECT_NE(written.find("0 21 * * 1,4 env "), std::string::npos) << written;
    EXPECT_NE(written.find("schedule due 'Photos' && "), std::string::npos) << written;
    EXPECT_NE(written.find("'backup' '1'"), std::string::npos) << written;
    EXPECT_NE(written.find("BRIMVAULT_HOME="), std::string::npos) << "the start must find this data directory";
    EXPECT_NE(cli({"job", "show", "Photos"}).output.find("task:        Photos"), std::string::npos);
    EXPECT_NE(cli({"schedule", "--list"}).output.find("Photos  next run: "), std::string::npos);

    // Another schedule replaces the first; the item keeps its name.
    ASSERT_EQ(cli({"schedule", "Photos", "--daily", "06:30", "--every", "3"}).status, 0);
    EXPECT_EQ(table().find("0 21 * * 1,4"), std::string::npos);
    EXPECT_NE(table().find("30 6 * * * "), std::string::npos);
    EXPECT_EQ(items().items().size(), 1u);

    ASSERT_EQ(cli({"unschedule", "Photos"}).status, 0);
    EXPECT_EQ(table(), "MAILTO=ann\n5 4 * * * /home/ann/sync\n");
    EXPECT_EQ(cli({"job", "show", "Photos"}).output.find("task:"), std::string::npos);
}

TEST_F(CliSchedule, RefusesWhatItCannotRead) {
    add_job("Photos", "normal");
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"schedule", "Photos", "--daily", "25:00"}, 64},
        {{"schedule", "Photos", "--weekly", "someday", "21:00"}, 64},
        {{"schedule", "Photos", "--monthly", "32", "21:00"}, 64},
        {{"schedule", "Photos", "--once", "2027-02-30", "08:00"}, 64},
        {{"schedule", "Photos", "--daily", "21:00", "--at-start"}, 64},
        {{"schedule", "Photos"}, 64},
        {{"schedule", "Nobody", "--daily", "21:00"}, 65},
        {{"unschedule", "Nobody"}, 65},
    };
    for (const auto& c : cases) EXPECT_EQ(cli(c.args).status, c.status) << c.args.back();
    EXPECT_EQ(table(), "MAILTO=ann\n5 4 * * * /home/ann/sync\n");
}

TEST_F(CliSchedule, TheGateLetsAStartThroughOnce) {
    add_job("Photos", "normal");
    ASSERT_EQ(cli({"schedule", "Photos", "--at-start"}).status, 0);
    EXPECT_NE(table().find("@reboot env "), std::string::npos);
    EXPECT_EQ(cli({"schedule", "due", "Photos", "--at-start"}).status, 0);
    EXPECT_EQ(cli({"schedule", "due", "Photos"}).status, 1);  // no timed trigger
    EXPECT_EQ(cli({"schedule", "due", "Gone"}).status, 1);
}

TEST_F(CliSchedule, ARunMissedWhileTheComputerWasOffIsMadeUpOnce) {
    add_job("Photos", "normal");
    // Daily at a minute two hours ago, so that its last start lies well
    // outside the gate's window whatever the time of day.
    const std::time_t two_hours_ago = std::time(nullptr) - 2 * 3600;
    std::tm local{};
    ::localtime_r(&two_hours_ago, &local);
    char at[8];
    std::strftime(at, sizeof at, "%H:%M", &local);
    ASSERT_EQ(cli({"schedule", "Photos", "--daily", at}).status, 0);
    // The item was made a week ago and last started two days ago.
    auto item = *items().find(u"Photos");
    const std::int64_t now = bk::Date::now_time();
    item.created = now - 7 * bk::microseconds_per_day;
    item.triggers[0].begin = taskplan::local_day_of(item.created);
    item.last_fired = now - 2 * bk::microseconds_per_day - bk::microseconds_per_hour;
    items().save(item);

    const auto caught = cli({"schedule", "catch-up"});
    ASSERT_EQ(caught.status, 0) << caught.output;
    EXPECT_NE(caught.output.find("Making up the run scheduled for "), std::string::npos) << caught.output;
    const auto history = cli({"job", "list"});
    EXPECT_EQ(history.output.find("last run: never"), std::string::npos) << history.output;
    const auto log = cli({"log"});
    EXPECT_NE(log.output.find("Made up for the run scheduled for "), std::string::npos) << log.output;

    const auto again = cli({"schedule", "catch-up"});
    EXPECT_EQ(again.output.find("Making up"), std::string::npos) << again.output;
}

TEST_F(CliSchedule, TheScheduledCommandLineRunsTheJob) {
    add_job("Photos", "normal");
    const auto ran = cli({"backup", "1"});
    ASSERT_EQ(ran.status, 0) << ran.output;
    EXPECT_TRUE(std::filesystem::exists(dest / "Photos.bvf"));
    EXPECT_EQ(cli({"backup", "99"}).status, 65);
}

}  // namespace
}  // namespace brim_test
