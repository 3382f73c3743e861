// Backups whose destination is a folder on a real FTP server: the mirror
// written file by file under temporary names, the replace policy read from
// the server's listing, dropped connections, verification, the sets of the
// archive and copy kinds kept there, and the jobs that cannot write there.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/path.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_layout.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/system_info.h"
#include "core/media/ftp_path.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/engine/tests/session_run.h"
#include "core/jobs/tests/store_home.h"
#include "tests/integration/ftp_server_fixture.h"
#include "tests/integration/ftp_test_support.h"
#include "tests/support/file_tree.h"
#include "tests/support/set_contents.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::FtpServer;
using brim_test::FtpServerOptions;
using brim_test::read_bytes;
using brim_test::tree_of;
using brim_test::write_bytes;

class Listener : public NullBackupEvent {
public:
    void on_warning(const bk::String& text) override { warnings.push_back(bk::to_utf8(text)); }
    void on_error(const bk::String& text) override { errors.push_back(bk::to_utf8(text)); }
    bool ftp_replace_file(const DataHeader&, const bk::String& target) override {
        asked.push_back(bk::to_utf8(target));
        return answer;
    }

    std::vector<std::string> warnings, errors, asked;
    bool answer = false;
};

// The names a run leaves on the server that are not part of the mirror.
std::vector<std::string> partial_files(const fs::path& root) {
    std::vector<std::string> left;
    for (const auto& [name, bytes] : tree_of(root))
        if (name.ends_with("~~part")) left.push_back(name);
    return left;
}

class FtpDestination : public brim_test::StoreHome {
protected:
    explicit FtpDestination(FtpServerOptions options = {}) : server(options) {
        src = home.dir().path() / "docs";
        fs::create_directories(src / "with space");
        write_bytes(src / "caf\xC3\xA9 \xC3\xBC.txt", "non-ASCII and a space");
        write_bytes(src / "with space" / "empty", "");
        brim_test::write_pattern_file(src / "with space" / "odd.bin", 3, 65537);
        job.name = u"Mirror";
        job.kind = BackupKind::directory_copy;
        job.destination = u"ftp://127.0.0.1:" + bk::from_utf8(std::to_string(server.port())) + u"/backup/mirror";
        job.sources = {{wide(src), SourceType::directory, true}};
        job.ftp_servers = {server.user_info()};
        job.options = job_option::verify;
        job.retry_interval = 0;
    }

    RunResult run(Listener& listener, const std::function<void(BackupSession&)>& prepare = {}) {
        return brim_test::run_backup(job, listener, prepare);
    }

    fs::path mirror() const { return server.root() / "backup" / "mirror" / "docs"; }

    FtpServer server;
    fs::path src;
    BackupItem job;
};

class FtpDestinationListing : public FtpDestination, public ::testing::WithParamInterface<bool> {
protected:
    FtpDestinationListing() : FtpDestination(FtpServerOptions{.without_mlsd = GetParam()}) {}
};

TEST_P(FtpDestinationListing, MirrorsTheSourcesOntoTheServerByteForByte) {
    Listener listener;
    ASSERT_EQ(run(listener), RunResult::successful) << ::testing::PrintToString(listener.warnings)
                                                    << ::testing::PrintToString(listener.errors);
    EXPECT_EQ(tree_of(mirror()), tree_of(src));
    EXPECT_TRUE(partial_files(server.root()).empty());

    // A changed source goes over its copy; the copies of the others stay.
    write_bytes(src / "with space" / "empty", "no longer empty");
    fs::last_write_time(src / "with space" / "empty", fs::file_time_type::clock::now() + std::chrono::hours(1));
    job.options |= job_option::restore_by_time;
    ASSERT_EQ(run(listener), RunResult::successful);
    EXPECT_EQ(tree_of(mirror()), tree_of(src));
}

INSTANTIATE_TEST_SUITE_P(MlsdAndListOnly, FtpDestinationListing, ::testing::Bool());

// What the job's replace policy makes of a copy that is on the server
// already, by the server's listing.
TEST_F(FtpDestination, TheReplacePolicyDecidesByTheServersListing) {
    struct Case {
        const char* what;
        std::uint32_t policy;
        std::chrono::hours source_age;
        bool answer;
        bool replaced;
        std::ptrdiff_t asked;
    };
    const Case cases[] = {
        {"keep", job_option::restore_keep, std::chrono::hours(-1), false, false, 0},
        {"replace", 0x8000000, std::chrono::hours(48), false, true, 0},
        {"by time, source older than the copy", job_option::restore_by_time, std::chrono::hours(48), false, false, 0},
        {"by time, source newer than the copy", job_option::restore_by_time, std::chrono::hours(-1), false, true, 0},
        {"ask, answered no", job_option::restore_ask, std::chrono::hours(48), false, false, 1},
        {"ask, answered yes", job_option::restore_ask, std::chrono::hours(48), true, true, 1},
    };
    const fs::path copy = mirror() / "caf\xC3\xA9 \xC3\xBC.txt";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories(copy.parent_path());
        write_bytes(copy, "the copy on the server");
        fs::last_write_time(src / "caf\xC3\xA9 \xC3\xBC.txt", fs::file_time_type::clock::now() - c.source_age);
        job.options = (job.options & ~job_option::restore_policy_mask) | c.policy;
        Listener listener;
        listener.answer = c.answer;
        run(listener);
        EXPECT_EQ(read_bytes(copy), c.replaced ? "non-ASCII and a space" : "the copy on the server");
        EXPECT_EQ(std::count_if(listener.asked.begin(), listener.asked.end(),
                                [](const std::string& target) { return target.ends_with("/caf\xC3\xA9 \xC3\xBC.txt"); }),
                  c.asked);
    }
}

// The server drops the connection in the middle of an upload.
TEST_F(FtpDestination, ADroppedUploadResumesOrLeavesTheEarlierCopyWhole) {
    // The only file, so that the dropped transfer is its upload.
    const fs::path big = home.dir().path() / "big";
    fs::create_directories(big);
    brim_test::write_pattern_file(big / "big.bin", 5, 3 * 1024 * 1024);
    job.sources = {{wide(big), SourceType::directory, true}};
    const fs::path copy = server.root() / "backup" / "mirror" / "big" / "big.bin";
    fs::create_directories(copy.parent_path());
    write_bytes(copy, "the copy from before");
    job.options = (job.options & ~job_option::restore_policy_mask) | 0x8000000;

    // Without retry the run warns, and the copy from before is untouched.
    job.options &= ~job_option::retry;
    server.drop_next_transfer_after(1024 * 1024);
    Listener failed;
    EXPECT_EQ(run(failed), RunResult::having_warnings);
    ASSERT_FALSE(failed.warnings.empty());
    EXPECT_NE(failed.warnings[0].find("big.bin"), std::string::npos) << failed.warnings[0];
    EXPECT_EQ(read_bytes(copy), "the copy from before");
    EXPECT_TRUE(partial_files(server.root()).empty());

    // With retry the upload goes on where the server stopped.
    job.options |= job_option::retry;
    job.retry_count = 3;
    server.drop_next_transfer_after(1024 * 1024);
    Listener resumed;
    EXPECT_EQ(run(resumed), RunResult::successful) << ::testing::PrintToString(resumed.warnings);
    EXPECT_FALSE(server.drop_pending());
    EXPECT_TRUE(brim_test::file_has_pattern(copy, 5, 3 * 1024 * 1024));
    EXPECT_TRUE(partial_files(server.root()).empty());
}

TEST_F(FtpDestination, VerificationReadsTheCopiesBackFromTheServer) {
    Listener listener;
    const RunResult result = run(listener, [&](BackupSession& session) {
        session.set_after_write_hook([&](const bk::String&) {
            std::string bytes = read_bytes(mirror() / "with space" / "odd.bin");
            bytes[65536] ^= 0x20;
            write_bytes(mirror() / "with space" / "odd.bin", bytes);
        });
    });
    EXPECT_EQ(result, RunResult::having_warnings);
    ASSERT_EQ(listener.warnings.size(), 1u) << ::testing::PrintToString(listener.warnings);
    EXPECT_NE(listener.warnings[0].find("/backup/mirror/docs/with space/odd.bin"), std::string::npos)
        << listener.warnings[0];
}

// What the set on the server holds: each run's files by name, read with
// the reading side of the format from the server's own folder.
std::vector<std::map<std::string, std::string>> remote_runs(const fs::path& main, bk::StringView password = u"") {
    auto read = archive::read_set_layout(bk::from_utf8(main.string()), false, true, 1);
    EXPECT_EQ(read.error, archive::LayoutError::none);
    std::vector<std::map<std::string, std::string>> runs;
    for (const auto& run : read.layout.runs) {
        std::map<std::string, std::string> files;
        for (const auto& [path, bytes] : brim_test::run_contents(read.layout, run, password))
            files[bk::to_utf8(path.substr(path.rfind(u'/') + 1))] = bytes;
        runs.push_back(std::move(files));
    }
    return runs;
}

// The files of a folder by name, each with a digest of its bytes.
std::map<std::string, std::size_t> digests(const fs::path& folder) {
    std::map<std::string, std::size_t> found;
    for (const auto& [name, bytes] : tree_of(folder)) found[name] = std::hash<std::string>{}(bytes);
    return found;
}

std::map<std::string, std::size_t> without_digest_file(std::map<std::string, std::size_t> files) {
    std::erase_if(files, [](const auto& file) { return file.first.ends_with(".bvh"); });
    return files;
}

// The names in a folder, folders (empty ones too) included.
std::set<std::string> names_in(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Everything below the staging folder of the data directory.
std::map<std::string, std::string> staged() {
    return tree_of(fs::path(bk::to_utf8(SystemInfo::staging_path())));
}

class FtpArchiveDestination : public FtpDestination {
protected:
    FtpArchiveDestination() {
        job.name = u"Set";
        job.kind = BackupKind::normal;
        job.creation_time = 1700000000000000;
        job.destination = u"ftp://127.0.0.1:" + bk::from_utf8(std::to_string(server.port())) + u"/sets";
    }

    fs::path main() const { return server.root() / "sets" / "Set.bvf"; }
    std::map<std::string, std::string> sources() const {
        std::map<std::string, std::string> files;
        for (const auto& [name, bytes] : tree_of(src)) files[fs::path(name).filename().string()] = bytes;
        return files;
    }
};

// A set in files of 1 MiB (the segment limit) and a run appended to it: each
// file of the set is written in the staging folder, sent to the server whole
// and removed from the folder.
TEST_F(FtpArchiveDestination, RunsAreWrittenToTheServerAndAppendedThere) {
    BackupItemManager::instance()->archive_segment(1);
    brim_test::write_pattern_file(src / "spans.bin", 9, 1536 * 1024);
    job.options |= job_option::keep_set | job_option::cipher_rijndael;
    Listener first;
    ASSERT_EQ(run(first), RunResult::successful) << ::testing::PrintToString(first.warnings)
                                                 << ::testing::PrintToString(first.errors);
    EXPECT_GE(fs::directory_iterator(server.root() / "sets") != fs::directory_iterator(), true);
    std::size_t volumes = 0;
    for (const auto& entry : fs::directory_iterator(server.root() / "sets"))
        volumes += entry.path().extension() == ".bvs";
    EXPECT_GE(volumes, 1u);
    EXPECT_TRUE(staged().empty());
    // The set records when its job was made, as a set on a local disk does.
    EXPECT_EQ(archive::read_set_layout(bk::from_utf8(main().string()), false, true, 1).layout.security.creation_time,
              job.creation_time);

    const auto before = sources();
    write_bytes(src / "with space" / "empty", "a second run");
    job.kind = BackupKind::increment;
    Listener second;
    ASSERT_EQ(run(second), RunResult::successful) << ::testing::PrintToString(second.warnings);
    const auto runs = remote_runs(main());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], before);
    EXPECT_EQ(runs[1], (std::map<std::string, std::string>{{"empty", "a second run"}}));
    EXPECT_TRUE(staged().empty());
    EXPECT_TRUE(partial_files(server.root()).empty());
}

class StopAtFirstFile : public Listener {
public:
    void on_file(const bk::String&) override { session->stop(); }
    void on_file(const bk::String&, std::uint32_t) override { session->stop(); }
    BackupSession* session = nullptr;
};

// Replacing the set: a run that is stopped or fails leaves the set on the
// server as it was; one that is done replaces it.
TEST_F(FtpArchiveDestination, ARunThatDoesNotFinishLeavesTheSetOnTheServerAsItWas) {
    job.options |= job_option::password | job_option::cipher_rijndael;
    job.password = u"right";
    Listener first;
    ASSERT_EQ(run(first), RunResult::successful) << ::testing::PrintToString(first.errors);
    const auto old_set = digests(server.root() / "sets");

    Listener stopped;
    run(stopped, [](BackupSession& session) { session.stop(); });
    EXPECT_EQ(digests(server.root() / "sets"), old_set);
    EXPECT_TRUE(staged().empty());

    // Stopped while writing its first file.
    StopAtFirstFile stopped_writing;
    EXPECT_EQ(run(stopped_writing, [&](BackupSession& session) { stopped_writing.session = &session; }),
              RunResult::stopped);
    EXPECT_EQ(digests(server.root() / "sets"), old_set);
    EXPECT_TRUE(staged().empty());

    // Appending with a password that does not open the set fails.
    job.options |= job_option::keep_set;
    job.password = u"wrong";
    Listener refused;
    EXPECT_EQ(run(refused), RunResult::aborted);
    EXPECT_EQ(digests(server.root() / "sets"), old_set);
    EXPECT_TRUE(staged().empty());

    job.options &= ~job_option::keep_set;
    job.password = u"right";
    write_bytes(src / "with space" / "empty", "replaced");
    Listener replaced;
    ASSERT_EQ(run(replaced), RunResult::successful) << ::testing::PrintToString(replaced.errors);
    const auto runs = remote_runs(main(), u"right");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], sources());
    EXPECT_TRUE(staged().empty());
}

// Records the files that travel to or from the server (announced with
// their "ftp://" path) and the bytes counted for each, and stops the run
// as a file that `stop_when` accepts begins to travel.
class TransferListener : public Listener {
public:
    struct Transfer {
        std::string remote;
        std::uint64_t bytes = 0;
        bool sent = false;  // after the run began to write its set
    };
    void on_file(const bk::String& path, std::uint32_t size) override { file(path, size); }
    void on_file(const bk::String& path) override { file(path, 0); }
    void on_size(std::uint32_t bytes) override {
        if (current_ != nullptr) current_->bytes += bytes;
    }

    std::vector<Transfer> transfers;
    BackupSession* session = nullptr;
    std::function<bool(const Transfer&)> stop_when;

private:
    void file(const bk::String& path, std::uint32_t size) {
        current_ = nullptr;
        if (!is_ftp_path(path)) {
            written_ = true;
            return;
        }
        transfers.push_back({bk::to_utf8(path), size, written_});
        current_ = &transfers.back();
        if (stop_when && stop_when(*current_)) session->stop();
    }
    Transfer* current_ = nullptr;  // stable: no file is added while it is counted
    bool written_ = false;
};

// An appending run over a set of several files: the set is fetched once,
// though the check before the run probes it too; the files travelling to
// and from the server count in the run's progress with their bytes; and a
// stop while they are sent, at the first file or the last, leaves the set
// on the server as it was and no temporary file there.
TEST_F(FtpArchiveDestination, TransfersCountInTheProgressAndAStopWhileSendingChangesNothing) {
    BackupItemManager::instance()->archive_segment(1);
    brim_test::write_pattern_file(src / "spans.bin", 9, 1536 * 1024);
    job.options |= job_option::keep_set;
    Listener first;
    ASSERT_EQ(run(first), RunResult::successful) << ::testing::PrintToString(first.errors);
    const auto old_set = digests(server.root() / "sets");
    ASSERT_GE(old_set.size(), 3u);  // the main archive, a volume, the digest file
    brim_test::write_pattern_file(src / "spans.bin", 10, 1536 * 1024);
    job.kind = BackupKind::increment;

    using Transfer = TransferListener::Transfer;
    // Stopped while the set is fetched, as the first file is sent, or as the
    // second is, when the first lies on the server under its temporary name.
    const auto sent_count = [](const std::vector<Transfer>& transfers) {
        return std::count_if(transfers.begin(), transfers.end(), [](const Transfer& t) { return t.sent; });
    };
    for (const std::ptrdiff_t stop_at : {0, 1, 2}) {
        SCOPED_TRACE(stop_at);
        TransferListener stopped;
        stopped.stop_when = [&](const Transfer& t) {
            return stop_at == 0 ? !t.sent : sent_count(stopped.transfers) == stop_at;
        };
        EXPECT_EQ(run(stopped, [&](BackupSession& session) { stopped.session = &session; }), RunResult::stopped);
        EXPECT_EQ(digests(server.root() / "sets"), old_set);
        EXPECT_TRUE(partial_files(server.root()).empty());
        EXPECT_TRUE(staged().empty());
    }

    // The sizes of the set's files on the server, by "ftp://" path.
    const auto remote_sizes = [&] {
        std::map<std::string, std::uint64_t> sizes;
        for (const auto& entry : fs::directory_iterator(server.root() / "sets"))
            sizes["ftp://127.0.0.1:" + std::to_string(server.port()) + "/sets/" + entry.path().filename().string()] =
                entry.file_size();
        return sizes;
    };
    const auto sizes_before = remote_sizes();
    const std::size_t transfers_before = server.transfers().size();
    TransferListener done;
    const RunResult result = run(done, [&](BackupSession& session) {
        EXPECT_EQ(session.check_archive(true), CheckResult::go_on_logged);
    });
    ASSERT_EQ(result, RunResult::successful) << ::testing::PrintToString(done.errors);
    // Each file of the set was fetched once, for the check and the run
    // (verification reads what was sent back, after it was sent).
    std::multiset<std::string> fetched_by_server;
    for (std::size_t i = transfers_before; i < server.transfers().size(); ++i) {
        if (server.transfers()[i].starts_with("STOR ")) break;
        fetched_by_server.insert(server.transfers()[i]);
    }
    EXPECT_EQ(fetched_by_server.size(), sizes_before.size());
    EXPECT_EQ(std::set<std::string>(fetched_by_server.begin(), fetched_by_server.end()).size(), sizes_before.size());
    // Each file fetched and each sent counted its bytes in the progress. A
    // volume sent while a source file is written is followed by the bytes
    // that file has still to write, which a listener cannot tell apart; the
    // digest file is sent once all is written.
    std::map<std::string, std::uint64_t> fetched, sent;
    for (const Transfer& transfer : done.transfers) (transfer.sent ? sent : fetched)[transfer.remote] = transfer.bytes;
    EXPECT_EQ(fetched, sizes_before);
    const auto sizes_after = remote_sizes();
    EXPECT_GE(sent.size(), 3u);  // the digest file, the volume appended to, a new volume
    for (const auto& [remote, bytes] : sent) {
        if (remote.ends_with(".bvh")) EXPECT_EQ(bytes, sizes_after.at(remote)) << remote;
        else EXPECT_GE(bytes, sizes_after.at(remote)) << remote;
    }
    EXPECT_EQ(remote_runs(main()).size(), 2u);
    EXPECT_TRUE(staged().empty());
}

// Orders the server to drop the next transfer as the run writes its first
// file: after the set was fetched, so the transfer dropped is an upload.
class DropWhileWriting : public Listener {
public:
    explicit DropWhileWriting(const FtpServer& server, std::uint64_t after = 1024 * 1024)
        : server_(server), after_(after) {}
    void on_file(const bk::String&) override { place(); }
    void on_file(const bk::String&, std::uint32_t) override { place(); }

private:
    void place() {
        if (!placed_) server_.drop_next_transfer_after(after_);
        placed_ = true;
    }
    const FtpServer& server_;
    std::uint64_t after_;
    bool placed_ = false;
};

// The server drops the connection while the run's set is being sent: with
// retry the upload goes on and the set is whole; without, the run fails and
// the set on the server is the one from before.
TEST_F(FtpArchiveDestination, ADroppedUploadResumesOrLeavesTheSetAsItWas) {
    brim_test::write_pattern_file(src / "big.bin", 4, 3 * 1024 * 1024);
    job.options |= job_option::keep_set;
    Listener first;
    ASSERT_EQ(run(first), RunResult::successful);
    const auto old_set = digests(server.root() / "sets");
    brim_test::write_pattern_file(src / "big.bin", 5, 3 * 1024 * 1024);
    job.kind = BackupKind::increment;

    job.options &= ~job_option::retry;
    DropWhileWriting failed(server);
    EXPECT_EQ(run(failed), RunResult::aborted);
    EXPECT_FALSE(server.drop_pending());
    // The digest file goes before the main archive, so that a run never
    // counts without its digests; when the main archive then fails, the
    // digest file holds a block for a run that does not count, which
    // readers leave aside. The set itself is as it was.
    EXPECT_EQ(without_digest_file(digests(server.root() / "sets")), without_digest_file(old_set));
    EXPECT_TRUE(staged().empty());

    job.options |= job_option::retry;
    job.retry_count = 3;
    DropWhileWriting resumed(server);
    EXPECT_EQ(run(resumed), RunResult::successful) << ::testing::PrintToString(resumed.errors);
    EXPECT_FALSE(server.drop_pending());
    const auto runs = remote_runs(main());
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[1].count("big.bin"), 1u);
    EXPECT_EQ(std::hash<std::string>{}(runs[1].at("big.bin")),
              std::hash<std::string>{}(brim_test::read_bytes(src / "big.bin")));
    EXPECT_TRUE(staged().empty());
    EXPECT_TRUE(partial_files(server.root()).empty());
}

// An increment_copy run that uploads the one changed file is stopped, or the
// server drops the connection: stopped, or without retry, the run leaves
// the set on the server as it was (no new copy root, the catalogue as it
// was); with retry the upload goes on and the set is whole.
TEST_F(FtpArchiveDestination, ACopyRunThatDoesNotFinishLeavesTheCopySetAsItWas) {
    job.kind = BackupKind::increment_copy;
    job.options |= job_option::keep_set;
    brim_test::write_pattern_file(src / "big.bin", 4, 3 * 1024 * 1024);
    Listener first;
    ASSERT_EQ(run(first), RunResult::successful) << ::testing::PrintToString(first.warnings)
                                                 << ::testing::PrintToString(first.errors);
    const auto old_set = digests(server.root() / "sets");
    const auto old_names = names_in(server.root() / "sets");
    brim_test::write_pattern_file(src / "big.bin", 5, 3 * 1024 * 1024);

    StopAtFirstFile stopped;
    EXPECT_EQ(run(stopped, [&](BackupSession& session) { stopped.session = &session; }), RunResult::stopped);
    EXPECT_EQ(digests(server.root() / "sets"), old_set);
    EXPECT_EQ(names_in(server.root() / "sets"), old_names);
    EXPECT_TRUE(staged().empty());

    job.options &= ~job_option::retry;
    DropWhileWriting failed(server);
    EXPECT_EQ(run(failed), RunResult::aborted) << ::testing::PrintToString(failed.warnings);
    EXPECT_FALSE(server.drop_pending());
    EXPECT_EQ(digests(server.root() / "sets"), old_set);
    EXPECT_EQ(names_in(server.root() / "sets"), old_names);
    EXPECT_TRUE(staged().empty());

    job.options |= job_option::retry;
    job.retry_count = 3;
    DropWhileWriting resumed(server);
    EXPECT_EQ(run(resumed), RunResult::successful) << ::testing::PrintToString(resumed.errors)
                                                   << ::testing::PrintToString(resumed.warnings);
    EXPECT_FALSE(server.drop_pending());
    const auto read = archive::read_set_layout(bk::from_utf8((server.root() / "sets" / "Set.bvd").string()), true,
                                               true, 1);
    ASSERT_EQ(read.layout.runs.size(), 2u);
    const fs::path newest = server.root() / "sets" / bk::to_utf8(read.layout.runs[1].header.copy_root);
    std::map<std::string, std::string> copies;
    for (const auto& [name, bytes] : tree_of(newest)) copies[fs::path(name).filename().string()] = bytes;
    EXPECT_EQ(copies, (std::map<std::string, std::string>{{"big.bin", read_bytes(src / "big.bin")}}));
    EXPECT_TRUE(staged().empty());
    EXPECT_TRUE(partial_files(server.root()).empty());
}

// The room for a copy run's copies cannot be asked of a server: the run
// says so in its report, naming the server, and a run to a local disk,
// whose room is checked, does not.
TEST_F(FtpArchiveDestination, ACopyRunSaysItsRoomOnTheServerWasNotChecked) {
    const std::string server_name = "127.0.0.1:" + std::to_string(server.port());
    const bk::String local = wide(home.dir().path() / "local");
    for (const bool on_server : {true, false}) {
        SCOPED_TRACE(on_server);
        job.kind = BackupKind::copy;
        if (!on_server) job.destination = local;
        Listener listener;
        ASSERT_EQ(run(listener), RunResult::successful) << ::testing::PrintToString(listener.errors);
        std::vector<std::string> notes;
        for (const LogItem* item : job.get_reports()->reports().back()->log_items())
            if (item->type == LogType::information && bk::to_utf8(item->description).find("not checked") != std::string::npos)
                notes.push_back(bk::to_utf8(item->description));
        if (!on_server) {
            EXPECT_TRUE(notes.empty()) << ::testing::PrintToString(notes);
            continue;
        }
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_NE(notes[0].find("\"" + server_name + "\""), std::string::npos) << notes[0];
    }
}

// Verification reads the set back from the server: a byte changed there
// after the upload is found.
TEST_F(FtpArchiveDestination, VerificationReadsTheSetBackFromTheServer) {
    Listener listener;
    const RunResult result = run(listener, [&](BackupSession& session) {
        session.set_after_write_hook([&](const bk::String& archive) {
            EXPECT_TRUE(is_ftp_path(archive)) << bk::to_utf8(archive);
            std::string bytes = read_bytes(main());
            bytes[bytes.size() / 2] ^= 0x01;
            write_bytes(main(), bytes);
        });
    });
    EXPECT_EQ(result, RunResult::having_warnings);
    ASSERT_EQ(listener.warnings.size(), 1u) << ::testing::PrintToString(listener.warnings);
    EXPECT_NE(listener.warnings[0].find("/sets/Set.bvf\" was different"), std::string::npos) << listener.warnings[0];
    EXPECT_TRUE(staged().empty());
}

// Changes a byte in the first half of the first volume the run sends to the
// server under its temporary name, in place, once, as the run goes on.
class ChangeAVolumeSent : public Listener {
public:
    explicit ChangeAVolumeSent(fs::path folder) : folder_(std::move(folder)) {}
    void on_size(std::uint32_t) override { change(); }
    bool changed = false;

private:
    void change() {
        if (changed) return;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            const std::uintmax_t size = entry.file_size();
            if (!entry.path().filename().string().ends_with(".bvs~~part") || size < 512 * 1024) continue;
            std::fstream file(entry.path(), std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(static_cast<std::streamoff>(size / 2));
            const char byte = static_cast<char>(file.get() ^ 0x01);
            file.seekp(static_cast<std::streamoff>(size / 2));
            file.put(byte);
            changed = true;
            return;
        }
    }
    fs::path folder_;
};

// Verification reads the volumes sent while the run wrote back from the
// server: a byte changed there in one of them is found.
TEST_F(FtpArchiveDestination, VerificationReadsTheVolumesSentAheadFromTheServer) {
    BackupItemManager::instance()->archive_segment(1);
    brim_test::write_pattern_file(src / "spans.bin", 9, 2 * 1024 * 1024 + 512 * 1024);
    ChangeAVolumeSent listener(server.root() / "sets");
    EXPECT_EQ(run(listener), RunResult::having_warnings);
    EXPECT_TRUE(listener.changed);
    ASSERT_EQ(listener.warnings.size(), 1u) << ::testing::PrintToString(listener.warnings);
    EXPECT_NE(listener.warnings[0].find("spans.bin"), std::string::npos) << listener.warnings[0];
    EXPECT_TRUE(staged().empty());
}

// Verification reads the copies of a copy run back from the server: a byte
// changed there after the upload is found, and the catalogue records that
// copy as not made (time 0), so that the next run takes the file again.
TEST_F(FtpArchiveDestination, CopyVerificationReadsTheCopiesBackFromTheServer) {
    job.kind = BackupKind::increment_copy;
    job.options |= job_option::keep_set;
    Listener listener;
    const RunResult result = run(listener, [&](BackupSession& session) {
        session.set_after_write_hook([&](const bk::String& written) {
            if (written.ends_with(u".bvd")) return;  // the catalogue, once it is sent
            EXPECT_TRUE(is_ftp_path(written)) << bk::to_utf8(written);
            for (const auto& entry : fs::recursive_directory_iterator(server.root() / "sets"))
                if (entry.path().filename() == "odd.bin") {
                    std::string bytes = read_bytes(entry.path());
                    bytes[65536] ^= 0x20;
                    write_bytes(entry.path(), bytes);
                }
        });
    });
    EXPECT_EQ(result, RunResult::having_warnings);
    ASSERT_EQ(listener.warnings.size(), 1u) << ::testing::PrintToString(listener.warnings);
    EXPECT_NE(listener.warnings[0].find("/with space/odd.bin\" was different"), std::string::npos)
        << listener.warnings[0];
    const auto read = archive::read_set_layout(bk::from_utf8((server.root() / "sets" / "Set.bvd").string()), true,
                                               true, 1);
    ASSERT_EQ(read.layout.runs.size(), 1u);
    std::map<std::string, bool> recorded;
    archive::for_each_file(*read.layout.runs[0].root, [&](const DataHeader& item) {
        recorded[bk::to_utf8(bk::Path::file_name(item.full_path()))] = item.modified != 0;
    });
    EXPECT_EQ(recorded, (std::map<std::string, bool>{{"caf\xC3\xA9 \xC3\xBC.txt", true}, {"empty", true},
                                                     {"odd.bin", false}}));
    EXPECT_TRUE(staged().empty());
}

// The disk space the staging folder takes (its sparse files by their
// allocated blocks, not their length).
std::uint64_t staged_space() {
    const fs::path folder(bk::to_utf8(SystemInfo::staging_path()));
    std::uint64_t used = 0;
    std::error_code ignored;
    for (fs::recursive_directory_iterator it(folder, ignored), end; it != end; it.increment(ignored)) {
        struct stat status {};
        if (it->is_regular_file(ignored) && ::stat(it->path().c_str(), &status) == 0)
            used += static_cast<std::uint64_t>(status.st_blocks) * 512;
    }
    return used;
}

// Measures the staging folder at every step of the run's progress.
class StagingWatch : public TransferListener {
public:
    void on_file(const bk::String& path, std::uint32_t size) override {
        measure();
        TransferListener::on_file(path, size);
    }
    void on_file(const bk::String& path) override {
        measure();
        TransferListener::on_file(path);
    }
    void on_size(std::uint32_t bytes) override {
        measure();
        TransferListener::on_size(bytes);
    }
    std::uint64_t most = 0;
    int measured = 0;

private:
    void measure() {
        most = std::max(most, staged_space());
        ++measured;
    }
};

// The bytes of the set's volumes on the server, by name.
std::map<std::string, std::string> volumes_of(const fs::path& folder) {
    std::map<std::string, std::string> volumes;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".bvs") volumes[entry.path().filename().string()] = read_bytes(entry.path());
    return volumes;
}

// A set of several volumes (1 MiB each), then a run appended to it: while
// either run writes, the staging folder holds no more than the main archive
// and one volume (the other volumes are on the server, or staged as
// outlines without their data); the set on the server restores both runs,
// the volumes before the one appended to are never touched, and the runs
// leave nothing behind.
TEST_F(FtpArchiveDestination, TheStagingFolderHoldsTheMainArchiveAndOneVolumeAsRunsAreWritten) {
    BackupItemManager::instance()->archive_segment(1);
    constexpr std::uint64_t segment = 1024 * 1024;
    brim_test::write_pattern_file(src / "spans.bin", 9, 4 * segment + segment / 2);
    job.options |= job_option::keep_set;
    // The main archive, the volume written, their last blocks beyond the
    // room, the outlines' blocks and the digest file.
    const std::uint64_t bound = 2 * segment + 256 * 1024;

    StagingWatch first;
    ASSERT_EQ(run(first, [&](BackupSession& session) { first.session = &session; }), RunResult::successful)
        << ::testing::PrintToString(first.warnings) << ::testing::PrintToString(first.errors);
    EXPECT_GT(first.measured, 40);
    EXPECT_LE(first.most, bound);
    const auto volumes = volumes_of(server.root() / "sets");
    ASSERT_GE(volumes.size(), 4u);
    const std::string last_volume =
        bk::to_utf8(bk::Path::file_name(archive::read_set_layout(wide(main()), false, false, 1).layout.files.back().path));
    ASSERT_EQ(remote_runs(main()).size(), 1u);
    EXPECT_EQ(remote_runs(main())[0], sources());
    const auto before = sources();

    brim_test::write_pattern_file(src / "spans.bin", 10, 2 * segment + segment / 2);
    job.kind = BackupKind::increment;
    StagingWatch second;
    ASSERT_EQ(run(second, [&](BackupSession& session) { second.session = &session; }), RunResult::successful)
        << ::testing::PrintToString(second.warnings) << ::testing::PrintToString(second.errors);
    EXPECT_GT(second.measured, 20);
    EXPECT_LE(second.most, bound);
    const auto runs = remote_runs(main());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], before);
    EXPECT_EQ(runs[1], (std::map<std::string, std::string>{{"spans.bin", read_bytes(src / "spans.bin")}}));
    // Only the set's last volume (appended to, or linked to the next) may
    // change.
    const auto after = volumes_of(server.root() / "sets");
    for (const auto& [name, bytes] : volumes) {
        if (name == last_volume) continue;
        ASSERT_EQ(after.count(name), 1u) << name;
        EXPECT_TRUE(after.at(name) == bytes) << name;
    }
    EXPECT_GT(after.size(), volumes.size());
    EXPECT_TRUE(staged().empty());
    EXPECT_TRUE(partial_files(server.root()).empty());
}

// "new-arch" rotation on a set of several volumes per run: each run is
// appended in volumes of its own, the oldest such run goes (its volumes
// deleted on the server, the chain relinked around them in a volume the
// run fetches whole for it), and still the staging folder holds no more
// than the main archive and one volume.
TEST_F(FtpArchiveDestination, RotationDropsTheOldestRunsVolumesOnTheServer) {
    BackupItemManager::instance()->archive_segment(1);
    constexpr std::uint64_t segment = 1024 * 1024;
    job.options |= job_option::keep_set;
    job.append_mode = 1;
    job.rotation_times = 3;
    for (std::uint32_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        brim_test::write_pattern_file(src / "spans.bin", 20 + i, segment + segment / 2);
        StagingWatch watch;
        ASSERT_EQ(run(watch, [&](BackupSession& session) { watch.session = &session; }), RunResult::successful)
            << ::testing::PrintToString(watch.warnings) << ::testing::PrintToString(watch.errors);
        EXPECT_LE(watch.most, 2 * segment + 256 * 1024);
    }
    const auto runs = remote_runs(main());
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(runs.back() == sources());
    const auto set = archive::read_set_layout(wide(main()), false, false, 1);
    ASSERT_TRUE(set.layout.is_complete());
    // The main archive's run spans into a volume, each of the two newest
    // runs has two volumes; no other volume is left on the server.
    EXPECT_EQ(volumes_of(server.root() / "sets").size(), set.layout.files.size() - 1);
    EXPECT_EQ(set.layout.files.size(), 6u);
    EXPECT_TRUE(staged().empty());
    EXPECT_TRUE(partial_files(server.root()).empty());
}

// A run whose volumes go to the server as it writes them: a stop once one
// of them is there (under its temporary name), or a server that drops the
// connection while one travels without retry, leaves the set on the server
// as it was; with retry the upload goes on and the set is whole. A run
// that replaces the set sends its volumes so too.
TEST_F(FtpArchiveDestination, AVolumeSentWhileTheRunWritesIsTakenBackUnlessTheRunIsDone) {
    BackupItemManager::instance()->archive_segment(1);
    constexpr std::uint64_t segment = 1024 * 1024;
    brim_test::write_pattern_file(src / "spans.bin", 9, 2 * segment);
    job.options |= job_option::keep_set;
    Listener first;
    ASSERT_EQ(run(first), RunResult::successful) << ::testing::PrintToString(first.errors);
    const auto old_set = digests(server.root() / "sets");
    brim_test::write_pattern_file(src / "spans.bin", 10, 3 * segment);
    job.kind = BackupKind::increment;

    TransferListener stopped;
    bool partial_seen = false;
    stopped.stop_when = [&](const TransferListener::Transfer& t) {
        if (!t.sent) return false;
        // The second volume sent while the run writes: the first lies on
        // the server under its temporary name.
        partial_seen = !partial_files(server.root()).empty();
        return partial_seen;
    };
    EXPECT_EQ(run(stopped, [&](BackupSession& session) { stopped.session = &session; }), RunResult::stopped);
    EXPECT_TRUE(partial_seen);
    EXPECT_EQ(digests(server.root() / "sets"), old_set);
    EXPECT_TRUE(partial_files(server.root()).empty());
    EXPECT_TRUE(staged().empty());

    job.options &= ~job_option::retry;
    DropWhileWriting failed(server, segment / 2);
    EXPECT_EQ(run(failed), RunResult::aborted);
    EXPECT_FALSE(server.drop_pending());
    EXPECT_EQ(digests(server.root() / "sets"), old_set);
    EXPECT_TRUE(partial_files(server.root()).empty());
    EXPECT_TRUE(staged().empty());

    job.options |= job_option::retry;
    job.retry_count = 3;
    DropWhileWriting resumed(server, segment / 2);
    ASSERT_EQ(run(resumed), RunResult::successful) << ::testing::PrintToString(resumed.errors);
    EXPECT_FALSE(server.drop_pending());
    const auto runs = remote_runs(main());
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[1].count("spans.bin"), 1u);
    EXPECT_TRUE(runs[1].at("spans.bin") == read_bytes(src / "spans.bin"));
    EXPECT_TRUE(staged().empty());
    EXPECT_TRUE(partial_files(server.root()).empty());

    // A run that replaces the set sends its volumes the same way; the old
    // set's volumes are deleted on the server once the new set is there.
    const auto appended = volumes_of(server.root() / "sets");
    job.options &= ~job_option::keep_set;
    job.kind = BackupKind::normal;
    StagingWatch replaced;
    ASSERT_EQ(run(replaced, [&](BackupSession& session) { replaced.session = &session; }), RunResult::successful)
        << ::testing::PrintToString(replaced.errors);
    // The old main archive stays staged until the new set is in place.
    EXPECT_LE(replaced.most, 3 * segment + 256 * 1024);
    const auto replacing = remote_runs(main());
    ASSERT_EQ(replacing.size(), 1u);
    EXPECT_TRUE(replacing[0] == sources());
    const auto now = volumes_of(server.root() / "sets");
    EXPECT_GE(now.size(), 2u);
    for (const auto& [name, bytes] : appended) EXPECT_EQ(now.count(name), 0u) << name;
    EXPECT_TRUE(staged().empty());
    EXPECT_TRUE(partial_files(server.root()).empty());
}

// Jobs that cannot write to their FTP destination fail with the reason and
// leave nothing on the local disk, least of all a folder named after the
// address.
TEST_F(FtpDestination, AJobThatCannotWriteThereFailsWithTheReason) {
    struct Case {
        const char* what;
        std::function<void(BackupItem&)> change;
        const char* reason;
    };
    const Case cases[] = {
        {"no log-on entry for the server", [](BackupItem& j) { j.ftp_servers.clear(); },
         "has no log-on entry"},
        {"an entry for another port", [](BackupItem& j) { j.ftp_servers[0].port = 1; }, "has no log-on entry"},
        {"a difference", [](BackupItem& j) { j.kind = BackupKind::difference; },
         "cannot be written to an FTP server"},
        {"a wrong password", [](BackupItem& j) { j.ftp_servers[0].password = u"wrong"; },
         "specified FTP server can't be connected"},
        {"a server that cannot be reached",
         [](BackupItem& j) {
             j.destination = u"ftp://127.0.0.1:1/backup";
             j.ftp_servers[0].port = 1;
         },
         "Connection failed,specified FTP server can't be connected"},
    };
    const fs::path cwd = fs::current_path();
    fs::current_path(home.dir().path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<FtpConnectInfo> servers = job.ftp_servers;
        const BackupKind kind = job.kind;
        const bk::String destination = job.destination;
        c.change(job);
        Listener listener;
        EXPECT_EQ(run(listener), RunResult::aborted);
        ASSERT_EQ(listener.errors.size(), 1u);
        EXPECT_NE(listener.errors[0].find(c.reason), std::string::npos) << listener.errors[0];
        EXPECT_FALSE(fs::exists(home.dir().path() / "ftp:"));
        EXPECT_FALSE(fs::exists(server.root() / "backup"));
        job.ftp_servers = servers;
        job.kind = kind;
        job.destination = destination;
    }
    fs::current_path(cwd);
}

}  // namespace
}  // namespace brim
