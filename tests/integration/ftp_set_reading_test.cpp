// Reading a set that lies on a real FTP server, volume by volume: a restore
// fetches the main archive and then one volume at a time into the reading's
// staging folder, counts each fetch in its progress, and stops between the
// blocks of a fetch without leaving a file half written.
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/engine/backup_session.h"
#include "core/engine/tests/session_run.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/system_info.h"
#include "core/jobs/tests/store_home.h"
#include "core/media/ftp_path.h"
#include "tests/integration/ftp_server_fixture.h"
#include "tests/integration/ftp_test_support.h"
#include "tests/support/file_tree.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::tree_of;
using brim_test::write_bytes;

fs::path staging_root() { return fs::path(bk::to_utf8(SystemInfo::staging_path())); }

// The volumes (".bvs") below a folder, by file name.
std::set<std::string> volumes_in(const fs::path& folder) {
    std::set<std::string> found;
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(folder, ignored); it != fs::recursive_directory_iterator(); ++it)
        if (it->path().extension() == ".bvs") found.insert(it->path().filename().string());
    return found;
}

// The files of a folder tree by file name alone.
std::map<std::string, std::string> by_file_name(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& [name, bytes] : tree_of(folder)) files[fs::path(name).filename().string()] = bytes;
    return files;
}

// Watches a restore: the files fetched from the server, the most volumes
// the staging folder held at any moment a fetch went on, and, with
// `stop_in_fetch`, a stop after the first block of the first volume
// fetched once the restore began.
class ReadingListener : public RestoreEvent {
public:
    void end_parse(std::uint32_t, std::uint32_t, std::uint64_t) override {}
    void on_warning(const bk::String& text) override { warnings.push_back(bk::to_utf8(text)); }
    void on_error(const bk::String& text) override { errors.push_back(bk::to_utf8(text)); }
    void on_size(std::uint32_t) override {
        look();
        if (stop_in_fetch && fetching_ && restoring_ && session != nullptr) session->stop();
    }
    void end_stop() override { volumes_at_stop = volumes_in(staging_root()); }
    void begin_restore(const bk::String&) override { restoring_ = true; }
    void end_restore() override {}
    void restore_dir(const bk::String&) override {}
    void on_file(const bk::String& path, std::uint32_t) override { file(path); }
    void on_file(const bk::String& path) override { file(path); }
    bool replace_file(const DataHeader&, const bk::String&) override { return true; }
    bool replace_file(const bk::String&, const bk::String&) override { return true; }
    bool replace_ftp_file(const DataHeader&, const bk::String&, std::int64_t, std::int64_t) override { return true; }
    void verify_file(const bk::String&) override {}

    std::vector<std::string> warnings, errors;
    std::multiset<std::string> fetched_to_open, fetched_to_restore;  // file names
    std::size_t most_volumes_staged = 0;
    std::set<std::string> volumes_at_stop{"(no stop)"};
    bool stop_in_fetch = false;
    BackupSession* session = nullptr;

private:
    void file(const bk::String& path) {
        fetching_ = is_ftp_path(path);
        if (!fetching_) return;
        (restoring_ ? fetched_to_restore : fetched_to_open).insert(fs::path(bk::to_utf8(path)).filename().string());
        look();
    }
    void look() {
        if (fetching_) most_volumes_staged = std::max(most_volumes_staged, volumes_in(staging_root()).size());
    }
    bool fetching_ = false, restoring_ = false;
};

class FtpSetReading : public brim_test::StoreHome {
protected:
    FtpSetReading() {
        src = home.dir().path() / "docs";
        fs::create_directories(src / "with space");
        write_bytes(src / "caf\xC3\xA9 \xC3\xBC.txt", "non-ASCII and a space");
        write_bytes(src / "with space" / "empty", "");
        brim_test::write_pattern_file(src / "with space" / "odd.bin", 3, 65537);
        // Four and a half files of the 1 MiB segment limit.
        brim_test::write_pattern_file(src / "spans.bin", 9, 4608 * 1024);
        BackupItemManager::instance()->archive_segment(1);
        job.name = u"Set";
        job.kind = BackupKind::normal;
        job.creation_time = 1700000000000000;
        job.destination = u"ftp://127.0.0.1:" + bk::from_utf8(std::to_string(server.port())) + u"/sets";
        job.sources = {{wide(src), SourceType::directory, true}};
        job.ftp_servers = {server.user_info()};
        job.retry_interval = 0;
    }

    void SetUp() override {
        NullBackupEvent backup;
        ASSERT_EQ(brim_test::run_backup(job, backup), RunResult::successful);
        ASSERT_GE(volumes_in(server.root() / "sets").size(), 4u);
    }

    // Opens the set on the server and restores all of its newest run under
    // `target`; the restore's result.
    RunResult restore(ReadingListener& listener, const fs::path& target) {
        auto session = BackupSession::create_session(&job, SessionDirection::restore);
        listener.session = session.get();
        session->install(&listener);
        std::vector<const archive::RunLayout*> runs;
        EXPECT_EQ(session->open(runs, nullptr), OpenArchiveResult::all_read);
        if (runs.empty()) return RunResult::failed;
        session->restore({runs.back()->root.get()}, wide(target), 0);
        return static_cast<RunResult>(job.get_reports()->reports().back()->result);
    }

    brim_test::FtpServer server;
    fs::path src;
    BackupItem job;
};

// The restore equals the sources byte for byte, though the staging folder
// never held more than one volume beside the main archive: each volume was
// fetched as the reading came to it, for the walk of the runs and again
// for the data. Nothing stays in the staging folder.
TEST_F(FtpSetReading, ARestoreFetchesOneVolumeAtATimeAndEqualsTheSources) {
    ReadingListener listener;
    const fs::path target = home.dir().path() / "back";
    ASSERT_EQ(restore(listener, target), RunResult::successful) << ::testing::PrintToString(listener.warnings)
                                                                << ::testing::PrintToString(listener.errors);
    EXPECT_EQ(by_file_name(target), by_file_name(src));
    EXPECT_EQ(listener.most_volumes_staged, 1u);
    // The open fetched the main archive, its digests and every volume once;
    // the data took the volumes again, all but the one still there.
    const std::set<std::string> volumes = volumes_in(server.root() / "sets");
    std::multiset<std::string> whole_set(volumes.begin(), volumes.end());
    whole_set.insert({"Set.bvf", "Set.bvf.bvh"});
    EXPECT_EQ(listener.fetched_to_open, whole_set);
    const std::set<std::string> again(listener.fetched_to_restore.begin(), listener.fetched_to_restore.end());
    EXPECT_GE(again.size(), volumes.size() - 1) << ::testing::PrintToString(listener.fetched_to_restore);
    for (const std::string& name : again) EXPECT_TRUE(volumes.contains(name)) << name;
    EXPECT_TRUE(tree_of(staging_root()).empty());
}

// A stop between the blocks of a volume's fetch ends the restore stopped:
// the part fetched is gone from the staging folder, no file in the target
// is only part of its source, and the staging folder ends empty.
TEST_F(FtpSetReading, AStopWhileAVolumeIsFetchedLeavesNoPartialFile) {
    const fs::path target = home.dir().path() / "back";
    ReadingListener listener;
    listener.stop_in_fetch = true;
    EXPECT_EQ(restore(listener, target), RunResult::stopped) << ::testing::PrintToString(listener.warnings)
                                                             << ::testing::PrintToString(listener.errors);
    EXPECT_TRUE(listener.warnings.empty()) << ::testing::PrintToString(listener.warnings);
    EXPECT_TRUE(listener.volumes_at_stop.empty()) << ::testing::PrintToString(listener.volumes_at_stop);
    const auto sources = by_file_name(src);
    const auto restored = by_file_name(target);
    EXPECT_LT(restored.size(), sources.size());
    for (const auto& [name, bytes] : restored) {
        const auto source = sources.find(name);
        ASSERT_NE(source, sources.end()) << name;
        EXPECT_EQ(bytes, source->second) << name;
    }
    EXPECT_TRUE(tree_of(staging_root()).empty());
}

}  // namespace
}  // namespace brim
