#include "core/engine/archive_session.h"

#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/archive/catalogue.h"
#include "core/archive/digest_file.h"
#include "core/archive/set_layout.h"
#include "core/archive/set_replacement.h"
#include "core/archive/set_security.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/tests/store_home.h"
#include "core/restore/opened_set.h"
#include "tests/support/set_contents.h"

namespace brim {
namespace {

using brim_test::read_bytes;
using brim_test::write_bytes;

// Collects what a run tells its listener; can stop the run after a number
// of files.
class Listener : public NullBackupEvent {
public:
    explicit Listener(int stop_after_files = -1) : stop_after_(stop_after_files) {}
    void begin_backup(const bk::String&) override { events.push_back("begin"); }
    void end_parse(std::uint32_t f, std::uint32_t, std::uint64_t) override { parsed_files = f; events.push_back("parsed"); }
    void on_file(const bk::String&, std::uint32_t) override { file(); }
    void on_file(const bk::String&) override { file(); }
    void on_warning(const bk::String& text) override { warnings.push_back(text); }
    void on_error(const bk::String& text) override { errors.push_back(text); events.push_back("error"); }
    void end_backup() override { events.push_back("end"); }
    void end_stop() override { events.push_back("stopped"); }
    void verify_file(const bk::String&) override { ++verified; }

    void file() {
        ++files;
        if (stop_after_ >= 0 && files >= stop_after_ && session != nullptr) session->stop();
    }

    BackupSession* session = nullptr;
    std::vector<std::string> events;
    std::vector<bk::String> warnings, errors;
    std::uint32_t parsed_files = 0;
    int files = 0, verified = 0;

private:
    int stop_after_;
};

class ArchiveRuns : public brim_test::StoreHome {
protected:
    ArchiveRuns() {
        src = home.dir().path() / "src";
        std::filesystem::create_directories(src / "docs" / "deep");
        std::filesystem::create_directories(src / "empty");
        put("docs/deep/a.bin", 65536);
        put("docs/b.bin", 65537);
        put("docs/c.txt", 10);
        put("z.bin", 300000);
        put("zero", 0);
        job.name = u"Daily";
        job.kind = BackupKind::normal;
        job.destination = wide(home.dir().path() / "dest");
        job.sources = {{wide(src), SourceType::directory, true}};
        job.options = job_option::keep_set;
    }

    void put(const std::string& name, std::size_t size, unsigned seed = 1) {
        std::string bytes(size, '\0');
        std::mt19937 random(static_cast<unsigned>(size) + seed);
        for (char& c : bytes) c = static_cast<char>(random());
        write_bytes(src / name, bytes);
    }

    RunResult run(Listener& listener, std::function<void(BackupSession&)> prepare = {}) {
        auto session = BackupSession::create_session(&job, SessionDirection::backup);
        listener.session = session.get();
        session->install(&listener);
        if (prepare) prepare(*session);
        session->backup();
        return static_cast<RunResult>(job.get_reports()->reports().back()->result);
    }

    archive::SetLayout layout() {
        auto result = archive::read_set_layout(job.archive_file(), false, true, 1);
        EXPECT_EQ(result.error, archive::LayoutError::none);
        return std::move(result.layout);
    }

    std::map<bk::String, std::string> contents(const archive::SetLayout& set, const archive::RunLayout& run) {
        return brim_test::run_contents(set, run, job.password);
    }

    std::filesystem::path src;
    BackupItem job;
};

TEST_F(ArchiveRuns, NormalRunsForEachCipherWithAndWithoutPassword) {
    struct Case {
        std::uint32_t options;
        const char16_t* password;
    };
    const Case cases[] = {
        {0, u""},
        {job_option::cipher_xor, u""},
        {job_option::cipher_panama | job_option::password, u"pw"},
        {job_option::cipher_rijndael | job_option::password, u"s\u00E9cret"},
        {job_option::cipher_rijndael, u""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(home.dir().path() / "dest");
        job.options = c.options | job_option::verify;
        job.password = c.password;
        Listener listener;
        EXPECT_EQ(run(listener), RunResult::successful);
        EXPECT_EQ(listener.events, (std::vector<std::string>{"begin", "parsed", "end"}));
        EXPECT_TRUE(listener.warnings.empty()) << bk::to_utf8(listener.warnings.empty() ? u"" : listener.warnings[0]);
        EXPECT_EQ(listener.verified, 4);  // every file but the empty one
        const auto set = layout();
        ASSERT_EQ(set.runs.size(), 1u);
        for (const auto& [path, bytes] : contents(set, set.runs[0]))
            EXPECT_EQ(bytes, read_bytes(narrow(path))) << narrow(path);
        const BackupItemReport& report = *job.get_reports()->reports().back();
        EXPECT_EQ(report.completed_files, 5u);
        EXPECT_EQ(report.original_dirs, 4u);
    }
}

TEST_F(ArchiveRuns, AnIncrementChainHoldsExactlyTheChangedFiles) {
    job.kind = BackupKind::increment;
    Listener first;
    EXPECT_EQ(run(first), RunResult::successful);
    put("docs/c.txt", 11, 7);                        // changed
    put("new.txt", 3);                               // added
    std::filesystem::remove(src / "z.bin");          // deleted: leaves no trace
    std::filesystem::last_write_time(src / "docs" / "c.txt", std::filesystem::file_time_type::clock::now());
    Listener second;
    EXPECT_EQ(run(second), RunResult::successful);
    const auto set = layout();
    ASSERT_EQ(set.runs.size(), 2u);
    const auto changed = contents(set, set.runs[1]);
    std::vector<bk::String> paths;
    for (const auto& [path, bytes] : changed) paths.push_back(path);
    EXPECT_EQ(paths, (std::vector<bk::String>{wide(src / "docs" / "c.txt"), wide(src / "new.txt")}));
    EXPECT_EQ(changed.at(wide(src / "new.txt")), read_bytes(src / "new.txt"));

    Listener nothing;  // nothing changed: success with nothing written, no warning
    run(nothing);
    EXPECT_EQ(nothing.events.back(), "end");
    EXPECT_TRUE(nothing.warnings.empty());
    EXPECT_EQ(layout().runs.size(), 2u);
}

TEST_F(ArchiveRuns, ACountTriggerTurnsTheNthIncrementIntoAFullRun) {
    job.kind = BackupKind::increment;
    job.trigger = std::make_unique<TriggerData>();
    job.trigger->kind = TriggerData::Kind::count;
    job.trigger->value = 2;
    for (int i = 0; i < 2; ++i) {
        put("docs/c.txt", 10 + static_cast<std::size_t>(i), static_cast<unsigned>(i) + 20);
        Listener listener;
        EXPECT_EQ(run(listener), RunResult::successful);
    }
    ASSERT_EQ(layout().runs.size(), 2u);
    Listener full;
    EXPECT_EQ(run(full), RunResult::having_warnings);
    ASSERT_EQ(full.warnings.size(), 1u);
    EXPECT_EQ(full.warnings[0], u"Replaced backed-up data with fully backup. This may lead data lost.");
    const auto set = layout();
    ASSERT_EQ(set.runs.size(), 1u);
    EXPECT_EQ(set.runs[0].header.file_count, 5u);
    EXPECT_EQ(job.get_reports()->reports().back()->type, ReportType::normal);
}

TEST_F(ArchiveRuns, AppendKeepsTheSetAndReplaceStartsItAgain) {
    Listener a, b;
    run(a);
    run(b);
    EXPECT_EQ(layout().runs.size(), 2u);
    job.options &= ~job_option::keep_set;
    Listener c;
    run(c);
    EXPECT_EQ(layout().runs.size(), 1u);
}

TEST_F(ArchiveRuns, NewArchiveEveryRunRotatesTheOldestVolumeRunAway) {
    job.options |= job_option::keep_set;
    job.append_mode = 1;
    job.rotation_times = 3;
    for (int i = 0; i < 5; ++i) {
        put("docs/c.txt", 10, static_cast<unsigned>(i) + 40);
        Listener listener;
        EXPECT_EQ(run(listener), RunResult::successful);
    }
    const auto set = layout();
    // The main archive keeps its run; of the runs with a volume of their own
    // only the newest two are left.
    EXPECT_EQ(set.runs.size(), 3u);
    EXPECT_EQ(set.files.size(), 3u);
    EXPECT_TRUE(set.is_complete());
    for (const auto& run : set.runs) {
        for (const auto& [path, bytes] : contents(set, run)) {
            if (!path.ends_with(u"c.txt")) {
                EXPECT_EQ(bytes, read_bytes(narrow(path)));
            }
        }
    }
    const auto& last = set.runs.back();
    EXPECT_EQ(contents(set, last).at(wide(src / "docs" / "c.txt")), read_bytes(src / "docs" / "c.txt"));
    std::size_t volumes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.dir().path() / "dest"))
        volumes += entry.path().extension() == ".bvs";
    EXPECT_EQ(volumes, 2u);  // the rotated volumes are gone from the disk
    // Their digests went with them; every run left has its own.
    const archive::SetDigests digests = archive::read_set_digests(set);
    EXPECT_EQ(digests.contents.runs.size(), set.runs.size());
    for (const auto* run : digests.by_run) EXPECT_NE(run, nullptr);
}

TEST_F(ArchiveRuns, VerificationFindsAFlippedStoredByte) {
    job.options = job_option::cipher_rijndael | job_option::password | job_option::verify;
    job.password = u"pw";
    Listener listener;
    const RunResult result = run(listener, [](BackupSession& session) {
        session.set_after_write_hook([](const bk::String& archive) {
            const auto set = archive::read_set_layout(archive, false, true, 1);
            const auto& run = set.layout.runs.back();
            std::uint64_t at = 0;
            archive::for_each_file(*run.root, [&](const DataHeader& item) {
                if (item.full_path().ends_with(u"z.bin")) at = run.data[0].offset + item.data_offset + 2 + 70000;
            });
            std::fstream file(bk::to_native_path(archive), std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(static_cast<std::streamoff>(at));
            const char byte = static_cast<char>(file.get() ^ 0x40);
            file.seekp(static_cast<std::streamoff>(at));
            file.put(byte);
        });
    });
    EXPECT_EQ(result, RunResult::having_warnings);
    ASSERT_EQ(listener.warnings.size(), 1u);
    EXPECT_NE(listener.warnings[0].find(u"was different from"), bk::String::npos);
    EXPECT_NE(listener.warnings[0].find(wide(src / "z.bin")), bk::String::npos);
}

TEST_F(ArchiveRuns, VerificationChecksTheDigestsTheRunWrote) {
    struct Case {
        const char* what;
        std::function<void(std::string& digests)> damage;
        const char16_t* warning;  // empty: none
    };
    const std::vector<Case> cases = {
        {"as written", [](std::string&) {}, u""},
        {"a digest of the run changed", [](std::string& b) { b[b.size() - 40] ^= 1; },
         u"could not be read back"},
        {"the file gone", [](std::string& b) { b.clear(); }, u"could not be read back"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(home.dir().path() / "dest");
        job.options = job_option::cipher_rijndael | job_option::password | job_option::verify;
        job.password = u"pw";
        Listener listener;
        const RunResult result = run(listener, [&](BackupSession& session) {
            session.set_after_write_hook([&](const bk::String& archive) {
                const auto path = bk::to_native_path(archive + u".bvh");
                std::string bytes = read_bytes(path);
                c.damage(bytes);
                if (bytes.empty()) std::filesystem::remove(path);
                else write_bytes(path, bytes);
            });
        });
        if (c.warning[0] == 0) {
            EXPECT_EQ(result, RunResult::successful);
            EXPECT_TRUE(listener.warnings.empty());
            continue;
        }
        EXPECT_EQ(result, RunResult::having_warnings);
        ASSERT_EQ(listener.warnings.size(), 1u);
        EXPECT_NE(listener.warnings[0].find(c.warning), bk::String::npos);
    }
}

TEST_F(ArchiveRuns, VerificationFindsStoredDataThatNoLongerMatchesItsDigest) {
    // The stored byte and the source change alike: only the digest tells.
    job.options = job_option::verify;
    Listener listener;
    const RunResult result = run(listener, [&](BackupSession& session) {
        session.set_after_write_hook([&](const bk::String& archive) {
            const auto set = archive::read_set_layout(archive, false, true, 1);
            const auto& run = set.layout.runs.back();
            std::uint64_t at = 0;
            archive::for_each_file(*run.root, [&](const DataHeader& item) {
                if (item.full_path().ends_with(u"z.bin")) at = run.data[0].offset + item.data_offset + 2 + 70000;
            });
            std::string stored = read_bytes(bk::to_native_path(archive));
            stored[at] ^= 0x40;
            write_bytes(bk::to_native_path(archive), stored);
            std::string source = read_bytes(src / "z.bin");
            source[70000] ^= 0x40;
            write_bytes(src / "z.bin", source);
        });
    });
    EXPECT_EQ(result, RunResult::having_warnings);
    ASSERT_EQ(listener.warnings.size(), 1u);
    EXPECT_NE(listener.warnings[0].find(u"does not match the digest"), bk::String::npos);
    EXPECT_NE(listener.warnings[0].find(u"z.bin"), bk::String::npos);
}

TEST_F(ArchiveRuns, AStoppedRunEndsStoppedAndItsSetKeepsWhatWasWritten) {
    Listener listener(2);
    EXPECT_EQ(run(listener), RunResult::stopped);
    EXPECT_EQ(listener.events.back(), "stopped");
    const auto set = layout();
    ASSERT_EQ(set.runs.size(), 1u);
    int with_data = 0;
    archive::for_each_file(*set.runs[0].root, [&](const DataHeader& f) { with_data += f.data_flag == 0xFF; });
    EXPECT_EQ(with_data, 1);  // the second file was stopped before its first chunk
    for (const auto& [path, bytes] : contents(set, set.runs[0])) {
        if (!bytes.empty()) {
            EXPECT_EQ(bytes, read_bytes(narrow(path)));
        }
    }
}

// Replacing a set: the old one goes only once the new run counts.
TEST_F(ArchiveRuns, AReplacingRunThatStopsLeavesTheOldSetAsItWas) {
    job.options = 0;  // replace
    Listener first;
    ASSERT_EQ(run(first), RunResult::successful);
    const auto before = contents(layout(), layout().runs[0]);
    put("z.bin", 300000, 9);
    Listener stopped(2);
    EXPECT_EQ(run(stopped), RunResult::stopped);
    const auto set = layout();
    ASSERT_EQ(set.runs.size(), 1u);
    EXPECT_EQ(contents(set, set.runs[0]), before);
    EXPECT_FALSE(std::filesystem::exists(narrow(archive::aside_path(job.archive_file()))));
    Listener again;
    EXPECT_EQ(run(again), RunResult::successful);
    EXPECT_EQ(contents(layout(), layout().runs[0]).at(wide(src / "z.bin")), read_bytes(src / "z.bin"));
}

// A replacement going on (or one a process died in): readers see the old
// set and change nothing; the next run finishes the replacement when the new
// set holds a run, and takes it back otherwise.
TEST_F(ArchiveRuns, AReplacementACrashInterruptedIsSettled) {
    job.options = 0;
    Listener first;
    ASSERT_EQ(run(first), RunResult::successful);
    const std::filesystem::path main = narrow(job.archive_file());
    const std::filesystem::path aside = narrow(archive::aside_path(job.archive_file()));
    const std::string old_set = read_bytes(main);
    const auto old_files = contents(layout(), layout().runs[0]);

    // Before the new run counted: a new set with no run, the old aside.
    std::filesystem::rename(main, aside);
    write_bytes(main, old_set.substr(0, 200));
    restore::OpenedSet seen;
    ASSERT_EQ(restore::read_opened_set(job, job.archive_file(), nullptr, seen), restore::ReadResult::ok);
    ASSERT_EQ(seen.layout.runs.size(), 1u);
    EXPECT_EQ(brim_test::run_contents(seen.layout, seen.layout.runs[0], job.password), old_files);
    EXPECT_EQ(read_bytes(main), old_set.substr(0, 200));  // the reader left the replacement alone
    EXPECT_TRUE(std::filesystem::exists(aside));
    restore::settle_replacement(job);
    EXPECT_EQ(read_bytes(main), old_set);
    EXPECT_FALSE(std::filesystem::exists(aside));

    // Died after it counted: the new set stays, the old one goes.
    std::filesystem::copy_file(main, aside);
    put("z.bin", 1000, 3);
    Listener second;
    ASSERT_EQ(run(second), RunResult::successful);  // settles first, then replaces again
    std::filesystem::copy_file(main, aside);
    write_bytes(main.string() + ".bvs-left", "");  // unrelated files stay
    restore::settle_replacement(job);
    EXPECT_FALSE(std::filesystem::exists(aside));
    EXPECT_EQ(contents(layout(), layout().runs[0]).at(wide(src / "z.bin")), read_bytes(src / "z.bin"));
    EXPECT_TRUE(std::filesystem::exists(main.string() + ".bvs-left"));
}

TEST_F(ArchiveRuns, InvalidJobsEmptySourcesAndMissingDirectories) {
    job.sources.clear();
    Listener invalid;
    EXPECT_EQ(run(invalid), RunResult::aborted);
    ASSERT_EQ(invalid.errors.size(), 1u);
    EXPECT_EQ(invalid.errors[0], u"Failed to execute backup operation(Invalid job)!");

    // A missing directory is a warning and the run goes on; a file source the
    // filter leaves out gives nothing at all to back up.
    job.extensions = {u".none"};
    job.options |= job_option::aware_ext;
    Listener empty;
    job.sources = {{wide(home.dir().path() / "missing"), SourceType::directory, true},
                   {wide(src / "docs" / "c.txt"), SourceType::file, false}};
    EXPECT_EQ(run(empty), RunResult::having_warnings);
    ASSERT_EQ(empty.warnings.size(), 2u);
    EXPECT_NE(empty.warnings[0].find(u"Unable to parse"), bk::String::npos);
    EXPECT_EQ(empty.warnings[1], u"No backed-up data is available on the data source.");
}

}  // namespace
}  // namespace brim
