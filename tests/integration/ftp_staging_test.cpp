// The staging folder of a set kept on an FTP server: a copy root's folder
// tree fetched whole for reading, over a dropped connection too, and never
// sent back or deleted when the set is published; the transfers' progress
// and stop; files kept as outlines, and files sent ahead of the publish.
#include <algorithm>
#include <optional>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_staging.h"
#include "tests/integration/ftp_server_fixture.h"
#include "tests/integration/ftp_test_support.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::write_bytes;

TEST(FtpStagingTree, ACopyRootIsFetchedWholeAndNeverSentBack) {
    brim_test::FtpServer server;
    FtpConnection connection(server.user_info());
    connection.connect();
    const fs::path sets = server.root() / "sets";
    const fs::path root = sets / "Set_01-02-2026 10-00";
    fs::create_directories(root / "host" / "with space");
    fs::create_directories(root / "host" / "empty folder");
    write_bytes(sets / "Set.bvd", "the catalogue");
    write_bytes(root / "host" / "caf\xC3\xA9 \xC3\xBC.txt", "non-ASCII and a space");
    write_bytes(root / "host" / "with space" / "empty", "");
    brim_test::write_pattern_file(root / "host" / "with space" / "big.bin", 7, 3 * 1024 * 1024 + 1);
    const auto on_server = brim_test::tree_of(sets);

    brim_test::TempDir temp;
    const fs::path folder = temp / "stage";
    {
        FtpStaging staging(bk::from_utf8(folder.string()));
        brim_test::TestRetryPolicy policy(true, 3, 0);
        EXPECT_TRUE(
            staging.fetch(connection, u"/sets", [](bk::StringView name) { return name == u"Set.bvd"; }, &policy));
        server.drop_next_transfer_after(1024 * 1024);
        EXPECT_TRUE(staging.fetch_tree(connection, u"/sets", u"Set_01-02-2026 10-00", &policy));
        EXPECT_FALSE(server.drop_pending());
        // A copy root the server does not have fetches nothing.
        EXPECT_TRUE(staging.fetch_tree(connection, u"/sets", u"Set_gone", &policy));
        EXPECT_EQ(brim_test::tree_of(folder), on_server);
        EXPECT_TRUE(fs::is_directory(folder / "Set_01-02-2026 10-00" / "host" / "empty folder"));
        EXPECT_FALSE(fs::exists(folder / "Set_gone"));

        // The staged tree is read only: publishing the set neither sends it
        // nor deletes anything of it on the server.
        fs::remove_all(folder / "Set_01-02-2026 10-00" / "host" / "with space");
        std::vector<std::string> deleted;
        EXPECT_TRUE(staging.publish(
            connection, u"/sets", &policy, [](bk::StringView) { return false; },
            [&](const bk::String& remote) { deleted.push_back(bk::to_utf8(remote)); }));
        EXPECT_TRUE(deleted.empty());
        EXPECT_EQ(brim_test::tree_of(sets), on_server);
    }
    EXPECT_FALSE(fs::exists(folder));
}

// What a watch of the staged transfers sees, and a stop at a chosen poll.
struct Watched {
    std::vector<std::string> files;
    std::uint64_t bytes = 0;
    int polls = 0;
    int stop_at = 0;  // the poll that answers "stopped"; 0: never

    FtpStaging::Watch watch() {
        return {[this] { return stop_at != 0 && ++polls >= stop_at; },
                [this](const bk::String& remote) { files.push_back(bk::to_utf8(remote)); },
                [this](std::uint32_t count) { bytes += count; }};
    }
};

bool is_set_file(bk::StringView name) { return name == u"Set.bvf" || name == u"Set_2.bvs"; }

// A server with a set in "/sets" (a main archive and a volume of 1 MiB),
// and a connection to it.
struct ServedSet {
    ServedSet() {
        connection.connect();
        fs::create_directories(sets);
        write_bytes(sets / "Set.bvf", "the main archive");
        brim_test::write_pattern_file(sets / "Set_2.bvs", 3, 1024 * 1024);
    }
    brim_test::FtpServer server;
    FtpConnection connection{server.user_info()};
    fs::path sets = server.root() / "sets";
};

// The transfers of a staged set tell each file and its bytes as they go; a
// stop ends a fetch, and ends a publish with the set on the server as it
// was, wherever it comes: while the first file travels, while the second
// does, or once both are on the server under their temporary names.
TEST(FtpStagingTransfers, TellTheirProgressAndAStopLeavesTheServerAsItWas) {
    ServedSet served;
    FtpConnection& connection = served.connection;
    const fs::path& sets = served.sets;
    const auto on_server = brim_test::tree_of(sets);
    brim_test::TempDir temp;
    brim_test::TestRetryPolicy policy(false, 0, 0);

    {
        FtpStaging staging(bk::from_utf8((temp / "stopped").string()));
        Watched watched;
        watched.stop_at = 3;
        staging.set_watch(watched.watch());
        EXPECT_FALSE(staging.fetch(connection, u"/sets", is_set_file, &policy));
    }

    FtpStaging staging(bk::from_utf8((temp / "stage").string()));
    Watched fetched;
    staging.set_watch(fetched.watch());
    ASSERT_TRUE(staging.fetch(connection, u"/sets", is_set_file, &policy));
    std::sort(fetched.files.begin(), fetched.files.end());
    EXPECT_EQ(fetched.files, (std::vector<std::string>{"/sets/Set.bvf", "/sets/Set_2.bvs"}));
    EXPECT_EQ(fetched.bytes, 1024u * 1024u + 16u);

    // The run changes both files: the volume grows, the main archive is
    // rewritten.
    const fs::path stage = temp / "stage";
    brim_test::write_pattern_file(stage / "Set_2.bvs", 4, 1024 * 1024 + 70000);
    write_bytes(stage / "Set.bvf", "the main archive, one run more");
    // Polls: one before each block of 64 KiB and one at each file's end,
    // then one before the renames.
    const int volume_polls = (1024 * 1024 + 70000) / 65536 + 1;
    const int all_polls = volume_polls + 1 + 1;
    const auto main_is_last = [](bk::StringView name) { return name == u"Set.bvf"; };
    const auto no_deletion = [](const bk::String& remote) { ADD_FAILURE() << bk::to_utf8(remote); };
    for (const int stop_at : {1, 5, volume_polls + 1, all_polls}) {
        SCOPED_TRACE(stop_at);
        Watched watched;
        watched.stop_at = stop_at;
        staging.set_watch(watched.watch());
        EXPECT_FALSE(staging.publish(connection, u"/sets", &policy, main_is_last, no_deletion));
        EXPECT_EQ(brim_test::tree_of(sets), on_server);
    }

    Watched sent;
    staging.set_watch(sent.watch());
    ASSERT_TRUE(staging.publish(connection, u"/sets", &policy, main_is_last, no_deletion));
    EXPECT_EQ(sent.files, (std::vector<std::string>{"/sets/Set_2.bvs", "/sets/Set.bvf"}));
    EXPECT_EQ(sent.bytes, 1024u * 1024u + 70000u + 30u);
    EXPECT_EQ(brim_test::tree_of(sets), brim_test::tree_of(stage));
}

// A staged file kept as its outline: the same length, the bytes outside its
// holes as they were and none allocated in them; never sent by publish(),
// made whole again from the server. A file sent ahead lies on the server
// under its temporary name, is read there, and is renamed with the rest.
TEST(FtpStagingOutlines, KeepTheBytesAroundTheirHolesAndAreNeverSentBack) {
    ServedSet served;
    FtpConnection& connection = served.connection;
    const fs::path& sets = served.sets;
    const std::string volume = brim_test::read_bytes(sets / "Set_2.bvs");
    brim_test::TempDir temp;
    brim_test::TestRetryPolicy policy(false, 0, 0);
    const fs::path stage = temp / "stage";
    FtpStaging staging(bk::from_utf8(stage.string()));
    ASSERT_TRUE(staging.fetch(connection, u"/sets", is_set_file, &policy));

    staging.outline(u"Set_2.bvs", {{600 * 1024, 300 * 1024}, {4096, 400 * 1024}});
    EXPECT_TRUE(staging.is_outline(u"Set_2.bvs"));
    const std::string outline = brim_test::read_bytes(stage / "Set_2.bvs");
    ASSERT_EQ(outline.size(), volume.size());
    for (const auto& [from, to] : std::vector<std::pair<std::size_t, std::size_t>>{
             {0, 4096}, {4096 + 400 * 1024, 600 * 1024}, {900 * 1024, volume.size()}})
        EXPECT_TRUE(outline.compare(from, to - from, volume, from, to - from) == 0) << from;
    EXPECT_EQ(outline.find_first_not_of('\0', 4096), 4096u + 400 * 1024);
    EXPECT_EQ(outline.find_first_not_of('\0', 600 * 1024), 900u * 1024);
    struct stat status {};
    ASSERT_EQ(::stat((stage / "Set_2.bvs").c_str(), &status), 0);
    EXPECT_LE(static_cast<std::uint64_t>(status.st_blocks) * 512, 400u * 1024);
    EXPECT_EQ(staging.remote_copy(u"/sets", u"Set_2.bvs"), std::optional<bk::String>(u"/sets/Set_2.bvs"));
    EXPECT_EQ(staging.remote_copy(u"/sets", u"Set.bvf"), std::nullopt);

    // Publishing leaves the volume on the server alone.
    const auto no_deletion = [](const bk::String& remote) { ADD_FAILURE() << bk::to_utf8(remote); };
    const auto main_is_last = [](bk::StringView name) { return name == u"Set.bvf"; };
    ASSERT_TRUE(staging.publish(connection, u"/sets", &policy, main_is_last, no_deletion));
    EXPECT_EQ(brim_test::read_bytes(sets / "Set_2.bvs"), volume);

    // Made whole, written to and sent ahead: on the server under its
    // temporary name until the next publish renames it into place.
    ASSERT_TRUE(staging.make_whole(connection, u"/sets", u"Set_2.bvs", &policy));
    EXPECT_FALSE(staging.is_outline(u"Set_2.bvs"));
    EXPECT_EQ(brim_test::read_bytes(stage / "Set_2.bvs"), volume);
    brim_test::write_pattern_file(stage / "Set_2.bvs", 4, 1024 * 1024);
    const std::string changed = brim_test::read_bytes(stage / "Set_2.bvs");
    ASSERT_TRUE(staging.send_ahead(connection, u"/sets", u"Set_2.bvs", &policy, {{0, 1024 * 1024}}));
    EXPECT_TRUE(staging.is_outline(u"Set_2.bvs"));
    EXPECT_EQ(brim_test::read_bytes(sets / "Set_2.bvs~~part"), changed);
    EXPECT_EQ(brim_test::read_bytes(sets / "Set_2.bvs"), volume);
    EXPECT_EQ(staging.remote_copy(u"/sets", u"Set_2.bvs"), std::optional<bk::String>(u"/sets/Set_2.bvs~~part"));
    ASSERT_TRUE(staging.publish(connection, u"/sets", &policy, main_is_last, no_deletion));
    EXPECT_EQ(brim_test::read_bytes(sets / "Set_2.bvs"), changed);
    EXPECT_FALSE(fs::exists(sets / "Set_2.bvs~~part"));
}

// A file sent ahead of a publish that never comes (the run stopped or
// failed) is deleted from the server with the staging.
TEST(FtpStagingOutlines, WhatWasSentAheadGoesWithTheStaging) {
    brim_test::FtpServer server;
    FtpConnection connection(server.user_info());
    connection.connect();
    const fs::path sets = server.root() / "sets";
    fs::create_directories(sets);
    write_bytes(sets / "Set_2.bvs", "the volume as it was");
    brim_test::TempDir temp;
    brim_test::TestRetryPolicy policy(false, 0, 0);
    {
        FtpStaging staging(bk::from_utf8((temp / "stage").string()));
        write_bytes(temp / "stage" / "Set_2.bvs", "the volume as the run wrote it");
        ASSERT_TRUE(staging.send_ahead(connection, u"/sets", u"Set_2.bvs", &policy, {}));
        EXPECT_TRUE(fs::exists(sets / "Set_2.bvs~~part"));
    }
    EXPECT_EQ(brim_test::tree_of(sets), (std::map<std::string, std::string>{{"Set_2.bvs", "the volume as it was"}}));
}

}  // namespace
}  // namespace brim
