// The desktop program as processes: the owner of the data with later starts
// handing their command lines to it, and a scheduled start without a display.
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/runner/handover.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/fake_crontab.h"
#include "tests/support/file_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::BackgroundCli;

const std::u16string started_text = u"Orvex Brimvault 成功启动.";
const std::u16string scheduled_text = u"Orvex Brimvault 根据计划自动启动.";

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Program : public brim_test::CliJobs {
protected:
    Program() {
        brim_test::write_fake_crontab(root / "crontab", root / "table");
        home.set("BRIMVAULT_CRONTAB", (root / "crontab").string());
        home.set("LANG", "zh_CN.UTF-8");
        home.set("LC_ALL", std::nullopt);
        home.set("LC_MESSAGES", std::nullopt);
        home.set("QT_QPA_PLATFORM", "offscreen");
        fs::create_directories(src / "sub");
        brim_test::write_bytes(src / "a.txt", "first file");
        brim_test::write_bytes(src / "sub" / "b.bin", std::string(70000, 'b'));
        // The welcome page would wait for a click at every start.
        fs::create_directories(options_file.parent_path());
        brim_test::write_bytes(options_file, "[ShowAgain]\nShow%20HTML%20Dlg=0\n");
    }

    const fs::path options_file = root / "home" / ".config" / "Orvex Software" / "Brimvault.conf";

    // The program with the display Qt draws off screen.
    std::unique_ptr<BackgroundCli> program(const std::vector<std::string>& args, const std::string& name) {
        return std::make_unique<BackgroundCli>(BRIM_PROGRAM, args, (root / (name + ".out")).string());
    }
    brim_test::CliResult program_now(std::vector<std::string> args) {
        args.insert(args.begin(), {"120", BRIM_PROGRAM});
        return brim_test::run_cli("/usr/bin/timeout", args);
    }

    // Waits until the owner answers on the channel (its main window exists).
    static bool owner_answers(BackgroundCli& owner) {
        for (int i = 0; i < 600 && owner.running(); ++i) {
            const auto answer = brim::hand_over(brim::handover_path(), u"", 2000);
            if (answer && answer->status == 0) return true;
            ::usleep(50000);
        }
        return false;
    }

    std::size_t reports_of(const std::string& job) {
        brim::BackupItemReportColl reports(bk::from_ansi(job));
        reports.load();
        return reports.copies().size();
    }
    bool waits_for_reports(const std::string& job, std::size_t count) {
        for (int i = 0; i < 1200; ++i) {
            if (reports_of(job) >= count) return true;
            ::usleep(50000);
        }
        return false;
    }
    // The owner writes its first entry once its splash has been seen.
    bool waits_for_log_entry(const std::u16string& text) {
        for (int i = 0; i < 200; ++i) {
            if (log_entries(text) > 0) return true;
            ::usleep(50000);
        }
        return false;
    }
    std::size_t log_entries(const std::u16string& text) {
        brim::LogItemList entries;
        brim::LogManager::instance()->load(entries);
        std::size_t count = 0;
        for (const auto& entry : entries) count += entry->description == text;
        return count;
    }

    std::string job_id(const std::string& name) {
        const auto shown = cli({"job", "show", name});
        const auto at = shown.output.find("id:");
        if (at == std::string::npos) return {};
        const auto from = shown.output.find_first_not_of(' ', at + 3);
        return shown.output.substr(from, shown.output.find('\n', from) - from);
    }
    void schedule(const std::string& name) {
        const auto scheduled = cli({"schedule", name, "--daily", "03:00"});
        ASSERT_EQ(scheduled.status, 0) << scheduled.output;
    }
};

TEST_F(Program, LaterStartsHandTheirCommandLinesToTheRunningProgram) {
    add_job("Daily", "normal");
    add_job("Weekly", "normal");
    schedule("Weekly");
    const std::string weekly = job_id("Weekly");
    ASSERT_FALSE(weekly.empty());

    auto owner = program({}, "owner");
    ASSERT_TRUE(owner_answers(*owner)) << owner->output();
    EXPECT_TRUE(waits_for_log_entry(started_text)) << cli({"log"}).output;

    // A second plain start hands over its empty line and ends.
    const auto second = program_now({});
    EXPECT_EQ(second.status, 0) << second.output;
    EXPECT_TRUE(owner->running());

    // A line longer than the record takes arrives cut to 519 bytes.
    const auto answer = brim::hand_over(brim::handover_path(), bk::from_ansi(std::string(600, 'x')));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->text, std::string(519, 'x'));

    // A scheduled start runs its job in the owner, without a second start-up.
    const auto scheduled = program_now({"backup", weekly});
    EXPECT_EQ(scheduled.status, 0) << scheduled.output;
    EXPECT_TRUE(waits_for_reports("Weekly", 1));

    // brimvault-cli run hands its job over too.
    const auto handed = cli({"run", "Daily"});
    EXPECT_EQ(handed.status, 0) << handed.output;
    EXPECT_TRUE(has(handed.output, "Handed the backup of \"Daily\" over")) << handed.output;
    EXPECT_TRUE(waits_for_reports("Daily", 1));

    // A job that is not scheduled is no scheduled start.
    const auto unscheduled = program_now({"backup", job_id("Daily")});
    EXPECT_EQ(unscheduled.status, 65) << unscheduled.output;

    EXPECT_EQ(log_entries(started_text), 1u) << cli({"log"}).output;
    EXPECT_EQ(log_entries(scheduled_text), 0u) << cli({"log"}).output;
    owner->signal(SIGTERM);
    owner->wait();
}

// The first start shows the welcome page and waits for the user there; the
// end of the session (SIGTERM) must end the program all the same.
TEST_F(Program, ARequestToEndWhileTheWelcomePageWaitsEndsTheProgram) {
    add_job("Daily", "normal");
    fs::remove(options_file);
    auto owner = program({}, "welcome");
    ASSERT_TRUE(owner_answers(*owner)) << owner->output();
    ASSERT_TRUE(waits_for_log_entry(started_text)) << cli({"log"}).output;
    owner->signal(SIGTERM);
    const auto ended = owner->wait(30);
    EXPECT_EQ(ended.status, 0) << ended.output;
    // It saved as quitting does: its options file exists, the store is whole.
    EXPECT_TRUE(fs::exists(options_file));
    EXPECT_EQ(cli({"job", "show", "Daily"}).status, 0);
}

TEST_F(Program, AScheduledStartWithoutADisplayRunsTheJobAndExitsAsRunDoes) {
    add_job("Daily", "normal");
    schedule("Daily");
    home.set("DISPLAY", std::nullopt);
    home.set("WAYLAND_DISPLAY", std::nullopt);
    home.set("QT_QPA_PLATFORM", std::nullopt);
    auto headless = [&](const std::string& id) {
        return brim_test::run_cli("/usr/bin/timeout", {"120", BRIM_PROGRAM, "backup", id});
    };
    const auto ran = headless(job_id("Daily"));
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_EQ(reports_of("Daily"), 1u);
    EXPECT_EQ(log_entries(scheduled_text), 1u);
    // Restorable as written.
    const auto restored = cli({"restore", "Daily", "--to", (root / "back").string(), "--flatten"});
    EXPECT_EQ(restored.status, 0) << restored.output;

    // A job whose sources are gone: the same status as brimvault-cli run.
    fs::remove_all(src);
    const auto failed = headless(job_id("Daily"));
    EXPECT_NE(failed.status, 0) << failed.output;
    const auto by_cli = cli({"run", "Daily"});
    EXPECT_EQ(failed.status, by_cli.status) << failed.output << by_cli.output;

    // An id that names no scheduled job runs nothing.
    EXPECT_EQ(headless("999").status, 65);
}

}  // namespace
