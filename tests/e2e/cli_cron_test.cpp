// The real thing, slowly: the user's own crontab and a running cron daemon.
// This test CHANGES THE CRONTAB OF THE USER WHO RUNS IT and puts back what
// it found; it starts the cron daemon when none runs (as root) and stops it
// again. Label "slow": a scheduled minute has to come.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "basekit/platform/os_process.h"
#include "taskplan/crontab_block.h"
#include "tests/support/cli_fixture.h"

namespace brim_test {
namespace {

// The user's crontab as it was, put back at the end.
class SavedCrontab {
public:
    SavedCrontab() {
        const auto listed = bk::os::run_process({"crontab", "-l"});
        if (listed.exit_code == 0) table_ = listed.output;
    }
    ~SavedCrontab() {
        if (table_) bk::os::run_process({"crontab", "-"}, *table_);
        else bk::os::run_process({"crontab", "-r"});
    }
    static std::string now() { return bk::os::run_process({"crontab", "-l"}).output; }

private:
    std::optional<std::string> table_;
};

// A cron daemon for the test: the one that runs, or one started here.
class CronDaemon {
public:
    CronDaemon() {
        if (bk::os::process_running("cron")) return;
        started_ = bk::os::run_process({"/usr/sbin/cron"}).exit_code == 0;
    }
    ~CronDaemon() {
        if (!started_) return;
        std::ifstream pid_file("/run/crond.pid");
        pid_t pid = 0;
        if (pid_file >> pid && pid > 0) ::kill(pid, SIGTERM);
    }
    bool running() const { return bk::os::process_running("cron"); }

private:
    bool started_ = false;
};

class CliCron : public CliJobs {};

TEST_F(CliCron, AJobScheduledAheadIsStartedByCronAndLeavesNoLineBehind) {
    if (::geteuid() != 0) GTEST_SKIP() << "starting the cron daemon needs root";
    if (!std::filesystem::exists("/usr/sbin/cron") || !bk::os::run_process({"crontab", "-l"}).started)
        GTEST_SKIP() << "cron is not installed";
    SavedCrontab saved;
    CronDaemon daemon;
    ASSERT_TRUE(daemon.running());
    const std::string users_line = "# a line of the user's that must stay\n";
    bk::os::run_process({"crontab", "-"}, users_line);

    std::filesystem::create_directories(src);
    std::ofstream(src / "scheduled.txt") << "started by cron";
    add_job("Nightly", "normal");
    // Two minutes ahead: cron reads a changed table at the top of a minute.
    const std::time_t at = std::time(nullptr) + 120;
    std::tm local{};
    ::localtime_r(&at, &local);
    char day[16], minute[8];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    std::strftime(minute, sizeof minute, "%H:%M", &local);
    const auto scheduled = cli({"schedule", "Nightly", "--once", day, minute});
    ASSERT_EQ(scheduled.status, 0) << scheduled.output;
    const std::string table = SavedCrontab::now();
    EXPECT_EQ(table.rfind(users_line + std::string(taskplan::block_begin), 0), 0u) << table;

    bool ran = false;
    for (int second = 0; second < 240 && !ran; ++second) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        ran = std::filesystem::exists(dest / "Nightly.bvf") &&
              cli({"job", "list"}).output.find("last run: never") == std::string::npos;
    }
    ASSERT_TRUE(ran) << "cron did not run the job; crontab:\n" << SavedCrontab::now();
    EXPECT_NE(cli({"report", "Nightly"}).output.find("Successful"), std::string::npos);
    EXPECT_NE(cli({"schedule", "--list"}).output.find("spent"), std::string::npos);

    ASSERT_EQ(cli({"unschedule", "Nightly"}).status, 0);
    EXPECT_EQ(SavedCrontab::now(), users_line);
}

}  // namespace
}  // namespace brim_test
