// Two processes: an owner of the job store (serve, or a long run) and later
// starts that hand their work over to it.
#include <csignal>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/store_lock.h"
#include "core/runner/handover.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/file_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::BackgroundCli;

constexpr std::uint32_t msg_executed = 127;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliServe : public brim_test::CliJobs {
protected:
    void fill(const fs::path& folder, int files, std::size_t size) {
        fs::create_directories(folder);
        std::mt19937 random(static_cast<unsigned>(files));
        for (int i = 0; i < files; ++i) {
            std::string bytes(size + static_cast<std::size_t>(i), '\0');
            for (char& c : bytes) c = static_cast<char>(random());
            brim_test::write_bytes(folder / ("f" + std::to_string(i)), bytes);
        }
    }

    void add(const std::string& name, const fs::path& from) {
        const auto added = cli({"job", "add", name, "--kind", "normal", "--dest", dest.string(), "--dir", from.string()});
        ASSERT_EQ(added.status, 0) << added.output;
    }

    std::unique_ptr<BackgroundCli> background(const std::vector<std::string>& args, const std::string& name) {
        return std::make_unique<BackgroundCli>(BRIM_CLI, args, (root / (name + ".out")).string());
    }

    // Waits until an owner listens on the channel.
    static bool owner_listens(BackgroundCli& owner) {
        const std::string channel = bk::to_ansi(brim::handover_path());
        for (int i = 0; i < 6000 && owner.running(); ++i) {
            if (fs::exists(channel)) return true;
            ::usleep(20000);
        }
        return false;
    }

    // The reports saved for a job, and the log's "executed" entries of it.
    std::size_t saved_reports(const std::string& job) {
        brim::BackupItemReportColl reports(bk::from_ansi(job));
        reports.load();
        return reports.copies().size();
    }
    std::size_t executed_entries(const std::string& job) {
        brim::LogItemList entries;
        brim::LogManager::instance()->load(entries);
        std::size_t count = 0;
        for (const auto& entry : entries)
            count += entry->source == bk::from_ansi(job) && entry->description == brim::core_string(msg_executed);
        return count;
    }

    // The job's files restored under `to` equal its sources.
    void expect_restores(const std::string& job, const fs::path& from) {
        const fs::path to = root / ("restored-" + job);
        const auto restored = cli({"restore", job, "--to", to.string(), "--flatten"});
        ASSERT_EQ(restored.status, 0) << restored.output;
        EXPECT_EQ(brim_test::tree_of(to), brim_test::tree_of(from)) << job;
    }
};

TEST_F(CliServe, ServeRunsAHandedOverBackupOnceAndEndsOnSigterm) {
    fill(src, 5, 3000);
    add("Daily", src);
    auto serve = background({"serve"}, "serve");
    ASSERT_TRUE(owner_listens(*serve)) << serve->output();

    const auto handed = cli({"run", "Daily"});
    EXPECT_EQ(handed.status, 0) << handed.output;
    EXPECT_TRUE(has(handed.output, "Handed the backup of \"Daily\" over")) << handed.output;
    EXPECT_TRUE(serve->wait_for_output("Handed-over backup of \"Daily\" ended: Successful")) << serve->output();
    // Read-only commands work beside the owner; changing ones are its own.
    EXPECT_EQ(cli({"job", "list"}).status, 0);
    const auto unknown = cli({"run", "Nothing"});
    EXPECT_EQ(unknown.status, 65) << unknown.output;
    // An import and a removal are applied by the owner to its store.
    const std::string exported = (root / "jobs.xml").string();
    ASSERT_EQ(cli({"job", "export", exported, "Daily"}).status, 0);
    const auto imported = cli({"job", "import", exported});
    EXPECT_EQ(imported.status, 0) << imported.output;
    EXPECT_TRUE(has(imported.output, "Daily1")) << imported.output;
    EXPECT_TRUE(has(cli({"job", "list"}).output, "Daily1"));
    const auto removed = cli({"job", "remove", "Daily1"});
    EXPECT_EQ(removed.status, 0) << removed.output;
    const auto listed = cli({"job", "list"});
    EXPECT_TRUE(has(listed.output, "Daily") && !has(listed.output, "Daily1")) << listed.output;

    // A command line longer than the record takes arrives cut to 519 bytes.
    const std::string long_line(600, 'x');
    const auto answer = brim::hand_over(brim::handover_path(), bk::from_ansi(long_line));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->status, 64);
    EXPECT_TRUE(has(answer->text, "\"" + std::string(519, 'x') + "\"")) << answer->text;

    // A line that is not one of the commands handed over is refused.
    const auto refused = brim::hand_over(brim::handover_path(), u"in / job repair");
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->status, 64);

    serve->signal(SIGTERM);
    const auto ended = serve->wait();
    EXPECT_EQ(ended.status, 0) << ended.output;
    EXPECT_TRUE(has(ended.output, "Ended")) << ended.output;
    EXPECT_FALSE(fs::exists(bk::to_ansi(brim::handover_path())));

    EXPECT_EQ(saved_reports("Daily"), 1u);
    EXPECT_EQ(executed_entries("Daily"), 1u);
    expect_restores("Daily", src);
    // Nobody listens any more: a held store refuses with 75 again.
    auto lock = brim::StoreLock::try_acquire();
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(cli({"run", "Daily"}).status, 75);
}

TEST_F(CliServe, SigtermStopsTheRunsOfServeCleanly) {
    const fs::path big = root / "slow-big";
    fill(big, 40, 65536);
    add("Big", big);
    home.set("BRIMVAULT_FAULTS", "read:1+:SLOW:slow-big");
    auto serve = background({"serve"}, "serve");
    ASSERT_TRUE(owner_listens(*serve)) << serve->output();
    EXPECT_EQ(cli({"run", "Big"}).status, 0);
    serve->signal(SIGTERM);
    const auto ended = serve->wait();
    EXPECT_EQ(ended.status, 0) << ended.output;
    EXPECT_TRUE(has(ended.output, "Handed-over backup of \"Big\" ended: Stopped")) << ended.output;
    EXPECT_EQ(saved_reports("Big"), 1u);
}

TEST_F(CliServe, WhileABigRunGoesASmallRunAndJobChangesAreHandedToIt) {
    // Big reads slowly: it runs for seconds, long enough for what follows.
    const fs::path big = root / "slow-big", small = root / "small";
    fill(big, 150, 65536);
    fill(small, 3, 1000);
    add("Big", big);
    add("Small", small);
    home.set("BRIMVAULT_FAULTS", "read:1+:SLOW:slow-big");
    auto owner = background({"run", "Big"}, "big");
    ASSERT_TRUE(owner_listens(*owner)) << owner->output();

    const auto handed = cli({"run", "Small"});
    EXPECT_EQ(handed.status, 0) << handed.output;
    // The commands that change jobs are applied by the owner, which answers
    // with their output and status.
    const fs::path other = root / "other dir";
    fill(other, 2, 100);
    const auto added = cli({"job", "add", "X", "--kind", "normal", "--dest", dest.string(), "--dir", other.string()});
    EXPECT_EQ(added.status, 0) << added.output;
    EXPECT_TRUE(has(added.output, "Added job")) << added.output;
    const auto again = cli({"job", "add", "X", "--kind", "normal", "--dest", dest.string(), "--dir", other.string()});
    EXPECT_EQ(again.status, 64) << again.output;
    EXPECT_TRUE(has(again.output, "exists already")) << again.output;
    const auto busy = cli({"job", "remove", "Big"});
    EXPECT_EQ(busy.status, 75) << busy.output;
    EXPECT_TRUE(has(busy.output, "is running")) << busy.output;
    const auto listed = cli({"job", "list"});
    for (const char* name : {"Big", "Small", "X"}) EXPECT_TRUE(has(listed.output, name)) << listed.output;
    const auto ran = cli({"run", "X"});
    EXPECT_EQ(ran.status, 0) << ran.output;
    const auto ended = owner->wait();
    EXPECT_EQ(ended.status, 0) << ended.output;
    EXPECT_TRUE(has(ended.output, "Handed-over backup of \"Small\" ended: Successful")) << ended.output;
    EXPECT_TRUE(has(ended.output, "Handed-over backup of \"X\" ended: Successful")) << ended.output;
    EXPECT_TRUE(has(ended.output, "Result: Successful")) << ended.output;
    home.set("BRIMVAULT_FAULTS", std::nullopt);
    for (const auto& [job, from] : {std::pair{std::string("Big"), big}, std::pair{std::string("Small"), small},
                                    std::pair{std::string("X"), other}}) {
        EXPECT_EQ(saved_reports(job), 1u) << job;
        EXPECT_EQ(executed_entries(job), 1u) << job;
        expect_restores(job, from);
    }
}

}  // namespace
