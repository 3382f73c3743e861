// Runs of the kinds that copy files as ordinary files: copy, increment_copy,
// merge_copy and directory_copy, driven through the session with a
// recording listener.
#include "core/engine/copy_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/file_stream.h"
#include "basekit/platform/os_system.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_layout.h"
#include "core/archive/set_names.h"
#include "core/engine/directory_copy_session.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/engine/tests/session_run.h"
#include "core/jobs/tests/store_home.h"
#include "tests/support/file_tree.h"
#include "tests/support/set_contents.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::folders_in;
using brim_test::tree_of;
using brim_test::write_bytes;

class Listener : public NullBackupEvent {
public:
    void on_warning(const bk::String& text) override { warnings.push_back(text); }
    void on_error(const bk::String& text) override { errors.push_back(text); }
    void on_file(const bk::String&) override { ++files; }
    void on_size(std::uint32_t bytes) override { sizes.push_back(bytes); }
    void delete_old_data(const bk::String& path) override { deleted.push_back(path); }
    bool replace_dir_file(const bk::String& source, const bk::String&) override {
        asked.push_back(source);
        return answer;
    }

    std::vector<bk::String> warnings, errors, deleted, asked;
    std::vector<std::uint32_t> sizes;
    int files = 0;
    bool answer = false;
};

class CopyRuns : public brim_test::StoreHome {
protected:
    CopyRuns() {
        src = home.dir().path() / "src";
        dest = home.dir().path() / "dest";
        fs::create_directories(src / "docs" / "deep");
        put("docs/deep/a.bin", 70000);
        put("docs/b.txt", 10);
        put("top.bin", 16384 * 3 + 5);
        put("zero", 0);
        ::chmod((src / "docs" / "b.txt").c_str(), 0640);
        ::chmod((src / "zero").c_str(), 0444);
        ::symlink("docs/b.txt", (src / "link").c_str());
        job.name = u"Daily";
        job.kind = BackupKind::copy;
        job.destination = wide(dest);
        job.sources = {{wide(src), SourceType::directory, true}};
        job.options = job_option::keep_set;
    }

    void put(const std::string& name, std::size_t size, unsigned seed = 1) {
        std::string bytes(size, '\0');
        std::mt19937 random(static_cast<unsigned>(size) + seed);
        for (char& c : bytes) c = static_cast<char>(random());
        write_bytes(src / name, bytes);
    }

    // Changes a file's content and moves its time, so that a change is seen
    // within the same second.
    void change(const std::string& name, std::size_t size, unsigned seed) {
        put(name, size, seed);
        fs::last_write_time(src / name, fs::last_write_time(src / name) + std::chrono::seconds(seed));
    }

    RunResult run(Listener& listener, const std::function<void(BackupSession&)>& prepare = {}) {
        return brim_test::run_backup(job, listener, prepare);
    }

    archive::SetLayout layout() {
        auto read = archive::read_set_layout(job.archive_file(), true, true, 1);
        EXPECT_EQ(read.error, archive::LayoutError::none);
        return std::move(read.layout);
    }

    // Where the copies of the sources lie in a copy root that keeps their
    // location: the host, then the path below "/".
    fs::path kept_location(const fs::path& root) const {
        return root / narrow(bk::os::host_name()) / src.relative_path();
    }

    // Bytes, time and permission bits of each copy equal its source's.
    void expect_same_as_sources(const fs::path& copies) {
        EXPECT_EQ(tree_of(copies), tree_of(src));
        for (const auto& [relative, bytes] : tree_of(src)) {
            struct stat from {}, to {};
            ASSERT_EQ(::lstat((src / relative).c_str(), &from), 0);
            ASSERT_EQ(::lstat((copies / relative).c_str(), &to), 0) << relative;
            EXPECT_EQ(to.st_mode, from.st_mode) << relative;
            EXPECT_EQ(to.st_mtim.tv_sec, from.st_mtim.tv_sec) << relative;
            EXPECT_EQ(to.st_mtim.tv_nsec / 1000, from.st_mtim.tv_nsec / 1000) << relative;
        }
    }

    fs::path src, dest;
    BackupItem job;
};

TEST_F(CopyRuns, ACopyRunKeepsEachFilesBytesTimeModeAndLinksUnderItsSourceLocation) {
    Listener listener;
    EXPECT_EQ(run(listener), RunResult::successful);
    EXPECT_TRUE(listener.warnings.empty());
    const auto roots = folders_in(dest);
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0].filename().string().rfind("Daily_", 0), 0u);
    expect_same_as_sources(kept_location(roots[0]));
    // 16 KiB blocks: three full ones, then the rest of top.bin.
    const std::vector<std::uint32_t> last_part{49152u, 5u};
    EXPECT_NE(std::search(listener.sizes.begin(), listener.sizes.end(), last_part.begin(), last_part.end()),
              listener.sizes.end());

    const auto set = layout();
    ASSERT_EQ(set.runs.size(), 1u);
    EXPECT_TRUE(set.runs[0].header.has_copy_root);
    EXPECT_EQ(set.runs[0].header.copy_root, wide(roots[0].filename()));
    EXPECT_EQ(set.runs[0].header.file_count, 5u);
    EXPECT_EQ(job.get_reports()->reports().back()->completed_files, 5u);
}

TEST_F(CopyRuns, CopyAndIncrementCopyChainsHoldExactlyTheChangedFiles) {
    job.kind = BackupKind::increment_copy;
    Listener first;
    EXPECT_EQ(run(first), RunResult::successful);
    ASSERT_EQ(folders_in(dest).size(), 1u);
    expect_same_as_sources(kept_location(folders_in(dest)[0]));

    change("docs/b.txt", 12, 3);
    put("added.txt", 3);
    Listener second;
    EXPECT_EQ(run(second), RunResult::successful);
    const auto roots = folders_in(dest);
    ASSERT_EQ(roots.size(), 2u);
    const auto newest = roots[0] == fs::path(narrow(job.destination)) / narrow(layout().runs[0].header.copy_root) ? roots[1] : roots[0];
    EXPECT_EQ(tree_of(kept_location(newest)),
              (std::map<std::string, std::string>{{"added.txt", read_bytes(src / "added.txt")},
                                                  {"docs/b.txt", read_bytes(src / "docs" / "b.txt")}}));
    EXPECT_EQ(layout().runs.size(), 2u);

    Listener nothing;  // no change: no empty root, nothing recorded, no warning
    EXPECT_EQ(run(nothing), RunResult::successful);
    EXPECT_EQ(folders_in(dest).size(), 2u);
    EXPECT_EQ(layout().runs.size(), 2u);
    EXPECT_TRUE(nothing.warnings.empty());

    // A plain copy job replacing its set removes every earlier root first.
    job.kind = BackupKind::copy;
    job.options &= ~job_option::keep_set;
    Listener replace;
    EXPECT_EQ(run(replace), RunResult::successful);
    EXPECT_EQ(replace.deleted.size(), 3u);  // two roots, then the .bvd
    ASSERT_EQ(folders_in(dest).size(), 1u);
    expect_same_as_sources(kept_location(folders_in(dest)[0]));
}

TEST_F(CopyRuns, MergeCopyKeepsOneCurrentTreeOverThreeRuns) {
    job.kind = BackupKind::merge_copy;
    Listener first;
    EXPECT_EQ(run(first), RunResult::successful);
    change("docs/b.txt", 20, 5);
    put("docs/new.txt", 7);
    Listener second;
    EXPECT_EQ(run(second), RunResult::successful);
    EXPECT_EQ(second.files, 2);  // only the new and the changed file were copied
    fs::remove(src / "top.bin");
    Listener third;
    EXPECT_EQ(run(third), RunResult::successful);
    EXPECT_EQ(third.files, 0);

    const auto roots = folders_in(dest);
    ASSERT_EQ(roots.size(), 1u);
    const auto set = layout();
    ASSERT_EQ(set.runs.size(), 1u);
    std::map<std::string, std::string> recorded;
    archive::for_each_file(*set.runs[0].root, [&](const DataHeader& item) {
        const fs::path path = narrow(item.full_path());
        recorded[path.lexically_relative(src).string()] = tree_of(src).at(path.lexically_relative(src).string());
    });
    EXPECT_EQ(recorded, tree_of(src));  // the merged tree is the sources as they are now
    for (const auto& [relative, bytes] : tree_of(src)) EXPECT_EQ(tree_of(roots[0] / "src").at(relative), bytes);
}

TEST_F(CopyRuns, DirectoryCopyAppliesEachReplacePolicyToExistingTargets) {
    job.kind = BackupKind::directory_copy;
    struct Case {
        const char* name;
        std::uint32_t policy;
        bool answer;
        int target_age;  // seconds the existing target is older (+) or newer (-) than the source
        bool replaced;
    };
    const Case cases[] = {
        {"never", job_option::restore_keep, false, 100, false},
        {"ask, no", job_option::restore_ask, false, 100, false},
        {"ask, yes", job_option::restore_ask, true, 100, true},
        // By time the newer file wins: a changed source updates the mirror,
        // a target edited since is kept.
        {"by time, older target", job_option::restore_by_time, false, 100, true},
        {"by time, newer target", job_option::restore_by_time, false, -100, false},
        {"always", 0, false, 100, true},
    };
    for (const auto& c : cases) {
        fs::remove_all(dest);
        fs::create_directories(dest / "src" / "docs");
        write_bytes(dest / "src" / "docs" / "b.txt", "existing");
        fs::last_write_time(dest / "src" / "docs" / "b.txt",
                            fs::last_write_time(src / "docs" / "b.txt") - std::chrono::seconds(c.target_age));
        job.options = c.policy;
        Listener listener;
        listener.answer = c.answer;
        EXPECT_EQ(run(listener), RunResult::successful) << c.name;
        EXPECT_EQ(read_bytes(dest / "src" / "docs" / "b.txt") == read_bytes(src / "docs" / "b.txt"), c.replaced)
            << c.name;
        EXPECT_EQ(listener.asked.size(), c.policy == job_option::restore_ask ? 1u : 0u) << c.name;
        EXPECT_EQ(read_bytes(dest / "src" / "top.bin"), read_bytes(src / "top.bin")) << c.name;
    }
}

TEST_F(CopyRuns, PartialFilesLeftByACrashAreReplacedByTheCopy) {
    job.kind = BackupKind::directory_copy;
    fs::create_directories(dest / "src" / "docs");
    write_bytes(dest / "src" / "docs" / "b.txt~~part", "left by a crash");
    ::symlink("nowhere", (dest / "src" / "link~~part").c_str());
    Listener listener;
    EXPECT_EQ(run(listener), RunResult::successful);
    EXPECT_TRUE(listener.warnings.empty());
    EXPECT_EQ(read_bytes(dest / "src" / "docs" / "b.txt"), read_bytes(src / "docs" / "b.txt"));
    EXPECT_EQ(fs::read_symlink(dest / "src" / "link"), "docs/b.txt");
    EXPECT_FALSE(fs::exists(fs::symlink_status(dest / "src" / "docs" / "b.txt~~part")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dest / "src" / "link~~part")));
}

TEST_F(CopyRuns, DirectoryCopyDeletesOnlySourcesThatWereCopied) {
    job.kind = BackupKind::directory_copy;
    job.options = 0;
    const fs::path lone = home.dir().path() / "lone.txt";
    write_bytes(lone, "lone");
    job.sources.push_back({wide(lone), SourceType::file, false});
    // The target of docs/b.txt is a folder: that copy fails.
    fs::create_directories(dest / "src" / "docs" / "b.txt");
    const std::string kept = read_bytes(src / "docs" / "b.txt");
    Listener listener;
    EXPECT_EQ(run(listener, [](BackupSession& session) {
                  dynamic_cast<DirectoryCopySession&>(session).set_delete_sources(true);
              }),
              RunResult::having_warnings);
    ASSERT_EQ(listener.warnings.size(), 1u);
    EXPECT_NE(listener.warnings[0].find(u"Unable to copy file"), bk::String::npos);
    EXPECT_EQ(listener.deleted, (std::vector<bk::String>{wide(src), wide(lone)}));
    EXPECT_FALSE(fs::exists(lone));
    EXPECT_EQ(read_bytes(dest / "lone.txt"), "lone");
    // What was not copied stays, with the folders that hold it.
    EXPECT_EQ(tree_of(src), (std::map<std::string, std::string>{{"docs/b.txt", kept}}));
    EXPECT_EQ(read_bytes(dest / "src" / "docs" / "deep" / "a.bin").size(), 70000u);
}

TEST_F(CopyRuns, VerifyingCopiesWarnsPerDifferingBlockAndEndsWhenASourceIsGone) {
    put("docs/deep/a.bin", 300000);
    job.options = job_option::verify;
    Listener altered;
    EXPECT_EQ(run(altered, [&](BackupSession& session) {
                  session.set_after_write_hook([&](const bk::String& root) {
                      const fs::path copy = kept_location(narrow(root)) / "docs" / "deep" / "a.bin";
                      std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
                      for (const std::streamoff at : {100, 3 * 65536 + 7}) {
                          file.seekp(at);
                          file.put('\x55' ^ static_cast<char>(read_bytes(src / "docs" / "deep" / "a.bin")[at]));
                      }
                  });
              }),
              RunResult::having_warnings);
    ASSERT_EQ(altered.warnings.size(), 2u);
    EXPECT_NE(altered.warnings[0].find(u"was different from \"" + wide(src / "docs" / "deep" / "a.bin")),
              bk::String::npos);

    Listener gone;
    EXPECT_EQ(run(gone, [&](BackupSession& session) {
                  session.set_after_write_hook([&](const bk::String&) { fs::remove(src / "docs" / "b.txt"); });
              }),
              RunResult::having_warnings);
    ASSERT_EQ(gone.warnings.size(), 1u);
    EXPECT_EQ(gone.warnings[0].rfind(u"Unable to verify the backed-up data (", 0), 0u);
}

// A copy that verification found different is not recorded as good: the
// next increment_copy copies it again.
TEST_F(CopyRuns, ACopyFoundDifferentIsCopiedAgainByTheNextRun) {
    job.kind = BackupKind::increment_copy;
    job.options = job_option::verify | job_option::keep_set;
    Listener altered;
    EXPECT_EQ(run(altered, [&](BackupSession& session) {
                  session.set_after_write_hook([&](const bk::String& root) {
                      write_bytes(kept_location(narrow(root)) / "docs" / "b.txt", "not the source");
                  });
              }),
              RunResult::having_warnings);
    Listener again;
    EXPECT_EQ(run(again), RunResult::successful);
    const auto set = layout();
    ASSERT_EQ(set.runs.size(), 2u);
    std::vector<bk::String> copied;
    archive::for_each_file(*set.runs[1].root, [&](const DataHeader& file) { copied.push_back(file.full_path()); });
    EXPECT_EQ(copied, std::vector<bk::String>{wide(src / "docs" / "b.txt")});
    const fs::path newest = dest / narrow(set.runs[1].header.copy_root);
    EXPECT_EQ(read_bytes(kept_location(newest) / "docs" / "b.txt"), read_bytes(src / "docs" / "b.txt"));
}

std::int64_t monday_morning() { return bk::Date(2026, 3, 16, 9, 30, 0).time(); }

// Every time a run writes (the copy root's name, the run header, the
// report) comes from the one clock a test can set.
TEST_F(CopyRuns, ARunsNamesAndTimesFollowTheClock) {
    bk::Date::set_clock(monday_morning);
    struct Reset {
        ~Reset() { bk::Date::set_clock(nullptr); }
    } reset;
    Listener listener;
    EXPECT_EQ(run(listener), RunResult::successful);
    const auto set = layout();
    ASSERT_EQ(set.runs.size(), 1u);
    EXPECT_EQ(set.runs[0].header.backup_time, monday_morning());
    EXPECT_EQ(set.runs[0].header.copy_root, archive::copy_root_name(u"Daily", bk::Date(monday_morning())));
    EXPECT_EQ(job.get_reports()->reports().back()->execution_time, monday_morning());
}

// A stream that takes `room` bytes, then fails as a full disk does.
class FillingStream final : public bk::OutputStream {
public:
    FillingStream(const bk::String& path, std::uint64_t room)
        : file_(path, bk::FileMode::CreateNew, bk::FileShare::None, 0600), path_(path), room_(room) {}
    using bk::OutputStream::write;
    void write(const std::uint8_t* bytes, std::uint32_t length) override {
        if (length > room_) throw bk::IOException(bk::system_error(u"", bk::error::disk_full), bk::error::disk_full, path_);
        room_ -= length;
        file_.write(bytes, length);
    }
    std::int64_t seek(std::int64_t offset, bk::SeekOrigin origin) override { return file_.seek(offset, origin); }
    void flush() override { file_.flush(); }
    void close() override { file_.close(); }

private:
    bk::FileOutputStream file_;
    bk::String path_;
    std::uint64_t room_;
};

TEST_F(CopyRuns, AFullDiskFailsTheRunWithTheSystemsTextAndLeavesNoHalfCopy) {
    job.kind = BackupKind::directory_copy;
    job.options = 0;
    Listener listener;
    std::uint64_t room = 70000 + 20000;  // a.bin fits, top.bin does not
    EXPECT_EQ(run(listener, [&](BackupSession& session) {
                  session.set_target_opener([&](const bk::String& path, unsigned) {
                      auto stream = std::make_unique<FillingStream>(path, room);
                      room = room > 70000 ? room - 70000 : 0;
                      return stream;
                  });
              }),
              RunResult::aborted);
    ASSERT_EQ(listener.errors.size(), 1u);
    EXPECT_NE(listener.errors[0].find(bk::from_ansi(std::strerror(ENOSPC))), bk::String::npos) << narrow(listener.errors[0]);
    const auto copies = tree_of(dest / "src");
    for (const auto& [relative, bytes] : copies) {
        EXPECT_EQ(bytes, tree_of(src).at(relative)) << relative;  // no partial file, no temporary name
    }
    EXPECT_EQ(copies.count("top.bin"), 0u);
    EXPECT_EQ(job.get_reports()->reports().back()->completed_files, copies.size());
}

}  // namespace
}  // namespace brim
