#include "core/runner/job_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "basekit/platform/os_faults.h"
#include "core/archive/set_layout.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/tests/store_home.h"
#include "tests/support/file_tree.h"
#include "tests/support/set_contents.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

constexpr std::uint32_t msg_executed = 127;

bool is_stopped(int result) {
    return result == static_cast<int>(RunResult::stopped) || result == static_cast<int>(RunResult::stopped_with_warnings);
}

// Every byte below a folder: what a run has written so far.
std::uint64_t bytes_under(const fs::path& dir) {
    std::uint64_t total = 0;
    std::error_code ignored;
    if (!fs::exists(dir)) return 0;
    for (auto it = fs::recursive_directory_iterator(dir, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored))
        if (it->is_regular_file(ignored)) total += it->file_size(ignored);
    return total;
}

// Reading the sources is slow (each read waits a little), so that runs are
// long enough to be paused and stopped while they go.
class Runs : public brim_test::StoreHome {
protected:
    Runs() { EXPECT_TRUE(bk::os::set_fault_plan("read:1+:SLOW:slow-src")); }
    ~Runs() override { bk::os::set_fault_plan(""); }

    // A job of the store backing up `files` files of `size` bytes.
    BackupItem& add_job(const std::string& name, int files, std::size_t size, std::uint32_t options) {
        const fs::path src = home.dir().path() / ("slow-src-" + name);
        fs::create_directories(src / "sub");
        std::mt19937 random(static_cast<unsigned>(files * 31 + name.size()));
        for (int i = 0; i < files; ++i) {
            std::string bytes(size + static_cast<std::size_t>(i), '\0');
            for (char& c : bytes) c = static_cast<char>(random());
            write_bytes(src / (i % 2 ? "sub" : "") / ("f" + std::to_string(i) + ".bin"), bytes);
        }
        BackupItem& job = *BackupItemManager::instance()->create_item();
        job.name = wide(name);
        job.kind = BackupKind::normal;
        job.destination = wide(dest_of(name));
        job.sources = {{wide(src), SourceType::directory, true}};
        job.options = options;
        return job;
    }

    fs::path dest_of(const std::string& name) const { return home.dir().path() / ("dest-" + name); }

    // The set's newest run holds every source file byte for byte.
    void expect_set_holds_sources(const BackupItem& job) {
        auto read = archive::read_set_layout(job.archive_file(), false, true, 1);
        ASSERT_EQ(read.error, archive::LayoutError::none) << narrow(job.name);
        ASSERT_FALSE(read.layout.runs.empty());
        const auto held = brim_test::run_contents(read.layout, read.layout.runs.back(), job.password);
        std::size_t sources = 0;
        for (const auto& entry : fs::recursive_directory_iterator(narrow(job.sources[0].path)))
            if (entry.is_regular_file()) ++sources;
        EXPECT_EQ(held.size(), sources) << narrow(job.name);
        for (const auto& [path, bytes] : held) EXPECT_EQ(bytes, read_bytes(narrow(path))) << narrow(path);
    }

    // The reports saved in the job's report file, read afresh.
    static std::vector<BackupItemReport> saved_reports(const BackupItem& job) {
        BackupItemReportColl fresh(job.name);
        fresh.load();
        return fresh.copies();
    }

    JobRunner runner;
};

TEST_F(Runs, FourRunsAtOnceAreSafeToWatchPauseStopAndSaveWhileTheyGo) {
    std::vector<BackupItem*> jobs;
    for (int i = 0; i < 5; ++i)
        jobs.push_back(&add_job("Job" + std::to_string(i), 12 + i, 70000, job_option::keep_set | job_option::verify));
    BackupItemManager::instance()->save();

    std::vector<std::shared_ptr<JobRun>> runs;
    for (int i = 0; i < 4; ++i) runs.push_back(runner.start_backup(*jobs[i], {}));
    // A fifth run, and a second run of a job that runs, are refused.
    for (const auto& [job, reason] : {std::pair{jobs[4], RunRefused::Reason::too_many_runs},
                                      std::pair{jobs[0], RunRefused::Reason::job_running}}) {
        try {
            runner.start_backup(*job, {});
            ADD_FAILURE() << "started " << narrow(job->name);
        } catch (const RunRefused& refusal) {
            EXPECT_EQ(refusal.reason(), reason);
        }
    }

    std::atomic<bool> done{false};
    LogItemList seen_log;
    std::thread reader([&] {
        BackupItemManager& store = *BackupItemManager::instance();
        while (!done.load()) {
            {
                const auto lock = store.lock();
                for (const BackupItem* job : store.items()) EXPECT_FALSE(job->name.empty());
            }
            for (BackupItem* job : jobs)
                for (const BackupItemReport& report : job->get_reports()->copies())
                    EXPECT_NE(report.result, static_cast<std::int32_t>(RunResult::failed));
            for (auto& item : LogManager::instance()->new_items()) seen_log.push_back(std::move(item));
            for (const auto& run : runner.runs()) {
                const RunProgress now = run->progress();
                EXPECT_LE(now.files_done, 20u);
                (void)run->paused();
                (void)run->stopping();
            }
            std::this_thread::yield();
        }
    });
    // The last run is stopped at a random moment; the others are paused and
    // resumed at random moments, and the store is saved while they go.
    std::thread controller([&] {
        std::mt19937 random(20);
        const auto stop_at = std::chrono::steady_clock::now() + std::chrono::milliseconds(random() % 400);
        bool stop_sent = false;
        while (std::any_of(runs.begin(), runs.end(), [](const auto& run) { return run->running(); })) {
            if (!stop_sent && std::chrono::steady_clock::now() >= stop_at) {
                runs[3]->stop();
                stop_sent = true;
            }
            JobRun& run = *runs[random() % 3];
            run.pause();
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
            run.resume();
            if (random() % 4 == 0) BackupItemManager::instance()->save_after_run();
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
        }
    });
    controller.join();

    std::vector<RunOutcome> outcomes;
    for (const auto& run : runs) outcomes.push_back(run->wait());
    // Its place is free again: the fifth job runs now.
    outcomes.push_back(runner.start_backup(*jobs[4], {})->wait());
    done = true;
    reader.join();

    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const BackupItem& job = *jobs[i];
        ASSERT_TRUE(outcomes[i].report) << i;
        EXPECT_TRUE(outcomes[i].save_failure.empty());
        const auto saved = saved_reports(job);
        ASSERT_EQ(saved.size(), 1u) << i;
        EXPECT_EQ(saved[0].result, outcomes[i].result) << i;
        if (i == 3 && is_stopped(outcomes[i].result)) continue;
        EXPECT_EQ(outcomes[i].result, static_cast<int>(RunResult::successful)) << i;
        expect_set_holds_sources(job);
    }
    for (auto& item : LogManager::instance()->new_items()) seen_log.push_back(std::move(item));
    for (const BackupItem* job : jobs)
        EXPECT_EQ(std::count_if(seen_log.begin(), seen_log.end(),
                                [&](const auto& item) {
                                    return item->source == job->name && item->description == core_string(msg_executed);
                                }),
                  1)
            << narrow(job->name);
}

TEST_F(Runs, PauseHoldsARunAndResumeFinishesIt) {
    BackupItem& job = add_job("Held", 60, 65536, job_option::keep_set);
    auto run = runner.start_backup(job, {});
    while (run->progress().bytes_done == 0 && run->running()) std::this_thread::yield();
    run->pause();
    ASSERT_TRUE(run->paused()) << "the run ended before it could be paused";
    // What was under way when the pause came lands first.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::uint64_t written = bytes_under(dest_of("Held"));
    const std::uint64_t counted = run->progress().bytes_done;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(bytes_under(dest_of("Held")), written);
    EXPECT_EQ(run->progress().bytes_done, counted);
    EXPECT_TRUE(run->running());
    EXPECT_LT(counted, 60u * 65536u);
    run->resume();
    const RunOutcome outcome = run->wait();
    EXPECT_EQ(outcome.result, static_cast<int>(RunResult::successful));
    EXPECT_FALSE(run->paused());
    const RunProgress last = run->progress();
    EXPECT_EQ(last.files_done, 60u);
    EXPECT_EQ(last.files_total, 60u);
    EXPECT_GT(last.bytes_done, counted);
    expect_set_holds_sources(job);
}

// Answers every question yes, or calls `at_question` first.
class YesAnswers final : public RunAnswers {
public:
    std::function<void()> at_question;
    bool can_ask(const BackupItem&) const override { return true; }
    Password password(const BackupItem&, bool) override { return {}; }
    void wrong_password(const BackupItem&) override {}
    void refused(CheckResult, const BackupItem&) override {}
    void floppy(const BackupItem&) override {}
    bool confirm(CheckResult, const BackupItem&) override {
        if (at_question) at_question();
        return true;
    }
    void appending(const BackupItem&) override {}
};

// Stops its run at the first event of one stage.
class StopAt final : public NullBackupEvent {
public:
    enum class Stage { check, scan, data, verification };
    explicit StopAt(Stage stage) : stage_(stage) {}
    void parse_source(const bk::String&) override { at(Stage::scan); }
    void on_file(const bk::String&, std::uint32_t) override { at(Stage::data); }
    void on_file(const bk::String&) override { at(Stage::data); }
    void verify_file(const bk::String&) override { at(Stage::verification); }
    void at(Stage stage) {
        if (stage != stage_ || stopped_) return;
        stopped_ = true;
        JobRun* target = nullptr;
        while ((target = run.load()) == nullptr) std::this_thread::yield();
        target->stop();
    }
    std::atomic<JobRun*> run{nullptr};

private:
    Stage stage_;
    bool stopped_ = false;
};

TEST_F(Runs, AStopDuringTheCheckTheScanTheDataOrTheVerificationLeavesTheSetAsBefore) {
    // Replacing its set each time: the check asks first.
    BackupItem& job = add_job("Replaced", 8, 70000, job_option::verify);
    ASSERT_EQ(runner.start_backup(job, {})->wait().result, static_cast<int>(RunResult::successful));
    const auto before = brim_test::tree_of(dest_of("Replaced"));
    for (const StopAt::Stage stage :
         {StopAt::Stage::check, StopAt::Stage::scan, StopAt::Stage::data, StopAt::Stage::verification}) {
        StopAt events(stage);
        YesAnswers answers;
        answers.at_question = [&] { events.at(StopAt::Stage::check); };
        RunRequest request;
        request.answers = &answers;
        request.backup_events = &events;
        auto run = runner.start_backup(job, request);
        events.run = run.get();
        const RunOutcome outcome = run->wait();
        EXPECT_TRUE(is_stopped(outcome.result)) << static_cast<int>(stage) << ": " << outcome.result;
        EXPECT_TRUE(brim_test::tree_of(dest_of("Replaced")) == before) << static_cast<int>(stage);
        EXPECT_TRUE(is_stopped(saved_reports(job).back().result)) << static_cast<int>(stage);
    }
    expect_set_holds_sources(job);
}

}  // namespace
}  // namespace brim
