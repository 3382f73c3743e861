// The staging folder of a set kept on an FTP server: a copy root's folder
// tree fetched whole for reading, over a dropped connection too, and never
// sent back or deleted when the set is published.
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
        staging.fetch(connection, u"/sets", [](bk::StringView name) { return name == u"Set.bvd"; }, &policy);
        server.drop_next_transfer_after(1024 * 1024);
        staging.fetch_tree(connection, u"/sets", u"Set_01-02-2026 10-00", &policy);
        EXPECT_FALSE(server.drop_pending());
        // A copy root the server does not have fetches nothing.
        staging.fetch_tree(connection, u"/sets", u"Set_gone", &policy);
        EXPECT_EQ(brim_test::tree_of(folder), on_server);
        EXPECT_TRUE(fs::is_directory(folder / "Set_01-02-2026 10-00" / "host" / "empty folder"));
        EXPECT_FALSE(fs::exists(folder / "Set_gone"));

        // The staged tree is read only: publishing the set neither sends it
        // nor deletes anything of it on the server.
        fs::remove_all(folder / "Set_01-02-2026 10-00" / "host" / "with space");
        std::vector<std::string> deleted;
        staging.publish(
            connection, u"/sets", &policy, [](bk::StringView) { return false; },
            [&](const bk::String& remote) { deleted.push_back(bk::to_utf8(remote)); });
        EXPECT_TRUE(deleted.empty());
        EXPECT_EQ(brim_test::tree_of(sets), on_server);
    }
    EXPECT_FALSE(fs::exists(folder));
}

}  // namespace
}  // namespace brim
