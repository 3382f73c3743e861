// Connections, listings, directories and clean-up against a real server.
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <map>

#include <gtest/gtest.h>

#include "core/media/ftp_cleanup.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_context.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_server_connections.h"
#include "core/media/ftp_tree.h"
#include "tests/integration/ftp_server_fixture.h"
#include "tests/integration/ftp_test_support.h"

namespace brim {
namespace {

using brim_test::FtpServer;
using brim_test::name_of;
using brim_test::write_bytes;
namespace fs = std::filesystem;

// Seconds since 1970 as the system's microseconds.
std::int64_t micros(std::int64_t seconds) { return seconds * 1'000'000; }

void set_mtime(const fs::path& path, std::int64_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::int64_t now_seconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

FtpException connect_failure(const FtpConnectInfo& info) {
    FtpConnection connection(info);
    try {
        connection.connect();
    } catch (const FtpException& failure) {
        return failure;
    }
    ADD_FAILURE() << "connect succeeded";
    return FtpException();
}

TEST(FtpConnect, LogsInWithTheAccountOrAnonymously) {
    FtpServer server;
    FtpConnection user(server.user_info());
    user.connect();
    user.connect();  // nothing happens when connected
    EXPECT_TRUE(user.is_connected());
    FtpConnection anonymous(server.anonymous_info());
    anonymous.connect();
    EXPECT_EQ(anonymous.get_working_directory(), u"127.0.0.1/");
    user.close();
    EXPECT_FALSE(user.is_connected());
    try {
        user.list_directory(u"/");
        FAIL() << "listing without a connection";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.error_code(), ftp_error::invalid_handle);
    }
    user.reconnect();
    EXPECT_TRUE(user.list_directory(u"/").empty());
}

TEST(FtpConnect, FailuresNameTheirReason) {
    FtpServer server;
    FtpConnectInfo wrong_password = server.user_info();
    wrong_password.password = u"wrong";
    const FtpException refused = connect_failure(wrong_password);
    EXPECT_EQ(refused.message(), u"Incorrect password,specified FTP server can't be connected.");
    EXPECT_EQ(refused.error_code(), ftp_error::incorrect_password);
    EXPECT_NE(refused.detail().find(u"530"), bk::String::npos);

    // A port nobody listens on: take a free one from the kernel and let it go.
    FtpConnectInfo no_server = server.user_info();
    {
        FtpServer other;
        no_server.port = other.port();
    }
    const FtpException unreachable = connect_failure(no_server);
    EXPECT_EQ(unreachable.message(), u"Connection failed,specified FTP server can't be connected.");
    EXPECT_EQ(unreachable.error_code(), ftp_error::cannot_connect);
}

TEST(FtpConnect, WorkingDirectoryFollowsTheCurrentDirectory) {
    FtpServer server;
    fs::create_directories(server.root() / "pub" / "deep");
    FtpConnection connection(server.user_info());
    connection.connect();
    EXPECT_EQ(connection.get_working_directory(), u"ftp://127.0.0.1/");
    connection.set_current_directory(u"pub");
    EXPECT_EQ(connection.get_working_directory(), u"ftp://127.0.0.1/pub");
    connection.set_current_directory(u"deep/");
    EXPECT_EQ(connection.get_working_directory(), u"ftp://127.0.0.1/pub/deep");
    EXPECT_EQ(connection.absolute_path(u"f"), u"/pub/deep/f");
    try {
        connection.set_current_directory(u"/missing");
        FAIL() << "entered a missing directory";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Can't set current path on FTP server.");
    }
    EXPECT_EQ(connection.get_working_directory(), u"ftp://127.0.0.1/pub/deep");
}

// What the server holds, as the listing should report it.
struct Expected {
    bool directory;
    std::int64_t size;
    std::int64_t time;
};

void build_tree(const FtpServer& server, std::int64_t file_time, std::int64_t old_time) {
    const fs::path root = server.root();
    fs::create_directories(root / "dir with space" / "inner");
    write_bytes(root / "plain.txt", "hello");
    write_bytes(root / "dir with space" / "na\xc3\xafve r\xc3\xa9sum\xc3\xa9.doc", std::string(70000, 'x'));
    write_bytes(root / "dir with space" / "inner" / "empty", "");
    write_bytes(root / "\xe6\x97\xa5\xe6\x9c\xac", "12345678");
    set_mtime(root / "plain.txt", file_time);
    set_mtime(root / "dir with space" / "na\xc3\xafve r\xc3\xa9sum\xc3\xa9.doc", old_time);
    set_mtime(root / "dir with space" / "inner" / "empty", file_time);
    set_mtime(root / "\xe6\x97\xa5\xe6\x9c\xac", file_time);
    set_mtime(root / "dir with space" / "inner", file_time);
    set_mtime(root / "dir with space", file_time);
}

// Walks the server's tree through generate_list, keyed by full name.
void walk(const FtpDirectory& directory, std::map<bk::String, Expected>& seen) {
    std::vector<std::unique_ptr<FtpDirectory>> directories;
    std::vector<std::unique_ptr<FtpFile>> files;
    directory.generate_list(directories, files);
    for (const auto& file : files) seen[file->get_full_name()] = {false, file->get_length(), file->get_modified_time()};
    for (const auto& child : directories) {
        seen[child->get_full_name()] = {true, 0, child->get_modified_time()};
        walk(*child, seen);
    }
}

class FtpListingTest : public ::testing::TestWithParam<bool> {};

// With MLSD the times are exact to the second; through LIST to the minute,
// so the tree's times sit on whole minutes.
TEST_P(FtpListingTest, ListsTheTreeWithTheServersNamesSizesAndTimes) {
    const bool without_mlsd = GetParam();
    FtpServer server({without_mlsd});
    const std::int64_t file_time = (now_seconds() - 3 * 86400) / 60 * 60;  // recent: "Mon dd hh:mm"
    const std::int64_t old_time = 1262304000 + 86400 * 40;                // 2010-02-10: "Mon dd  yyyy"
    build_tree(server, file_time, old_time);

    FtpConnection connection(server.user_info());
    connection.connect();
    std::map<bk::String, Expected> seen;
    walk(FtpDirectory(connection, u"ftp://127.0.0.1/"), seen);

    const std::map<bk::String, Expected> expected = {
        {u"ftp://127.0.0.1/plain.txt", {false, 5, micros(file_time)}},
        {u"ftp://127.0.0.1/dir with space", {true, 0, micros(file_time)}},
        {name_of("ftp://127.0.0.1/dir with space/na\xc3\xafve r\xc3\xa9sum\xc3\xa9.doc"), {false, 70000, micros(old_time)}},
        {u"ftp://127.0.0.1/dir with space/inner", {true, 0, micros(file_time)}},
        {u"ftp://127.0.0.1/dir with space/inner/empty", {false, 0, micros(file_time)}},
        {name_of("ftp://127.0.0.1/\xe6\x97\xa5\xe6\x9c\xac"), {false, 8, micros(file_time)}},
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (const auto& [name, want] : expected) {
        SCOPED_TRACE(bk::to_utf8(name));
        ASSERT_TRUE(seen.count(name));
        EXPECT_EQ(seen[name].directory, want.directory);
        EXPECT_EQ(seen[name].size, want.size);
        EXPECT_EQ(seen[name].time, want.time);
    }

    const FtpFile looked_up(connection, name_of("ftp://127.0.0.1/dir with space/na\xc3\xafve r\xc3\xa9sum\xc3\xa9.doc"));
    EXPECT_EQ(looked_up.get_length(), 70000);
    EXPECT_EQ(looked_up.get_modified_time(), micros(old_time));
    EXPECT_EQ(looked_up.get_name(), name_of("na\xc3\xafve r\xc3\xa9sum\xc3\xa9.doc"));
}

INSTANTIATE_TEST_SUITE_P(MlsdAndList, FtpListingTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "List" : "Mlsd"; });

TEST(FtpListing, PatternsAndLookUpsMatchNamesExactly) {
    FtpServer server;
    fs::create_directories(server.root() / "pub");
    write_bytes(server.root() / "pub" / "ab", "1");
    write_bytes(server.root() / "pub" / "abc", "22");
    write_bytes(server.root() / "pub" / "b", "333");
    FtpConnection connection(server.user_info());
    connection.connect();

    std::vector<std::unique_ptr<FtpDirectory>> directories;
    std::vector<std::unique_ptr<FtpFile>> files;
    FtpDirectory(connection, u"ftp://127.0.0.1/pub/a*").generate_list(directories, files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0]->get_full_name().substr(0, 21), u"ftp://127.0.0.1/pub/a");

    // "ab" is not "abc", whatever order the server lists them in.
    EXPECT_EQ(FtpFile(connection, u"/pub/ab").get_length(), 1);
    EXPECT_EQ(FtpFile(connection, u"/pub/abc").get_length(), 2);
    try {
        FtpFile(connection, u"/pub/a");
        FAIL() << "found a file that is not there";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Can't get size of file on FTP Server.");
    }
    try {
        FtpDirectory(connection, u"/missing").generate_list(directories, files);
        FAIL() << "listed a missing directory";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Can't list files and directories on FTP server.");
    }
}

// LIST gives minutes or days; a file asked for alone gives its second,
// with or without MLSD.
TEST_P(FtpListingTest, AFileAskedForAloneGivesItsTimeToTheSecond) {
    const bool without_mlsd = GetParam();
    FtpServer server({without_mlsd});
    const std::int64_t recent = now_seconds() - 3 * 86400 + 17;
    const std::int64_t old = 1262304000 + 86400 * 40 + 3723;
    write_bytes(server.root() / "recent.txt", "r");
    write_bytes(server.root() / "old.txt", "o");
    set_mtime(server.root() / "recent.txt", recent);
    set_mtime(server.root() / "old.txt", old);
    FtpConnection connection(server.user_info());
    connection.connect();
    connection.list_directory(u"/");
    EXPECT_EQ(connection.listing_times_exact(), !without_mlsd);
    EXPECT_EQ(connection.modified_time(u"ftp://127.0.0.1/recent.txt"), micros(recent));
    EXPECT_EQ(connection.modified_time(u"/old.txt"), micros(old));
    EXPECT_EQ(connection.modified_time(u"/missing.txt"), std::nullopt);
}

TEST(FtpDirectories, CreateAndRemoveATree) {
    FtpServer server;
    FtpConnection connection(server.user_info());
    connection.connect();
    FtpDirectory root(connection, u"ftp://127.0.0.1/");
    root.create_new_directory(u"ftp://127.0.0.1/backup set");
    root.create_new_directory(u"/backup set/2024 \u00e9t\u00e9");
    root.create_new_directory(name_of("/backup set/2024 \xc3\xa9t\xc3\xa9/inner"));
    EXPECT_TRUE(fs::is_directory(server.root() / "backup set" / "2024 \xc3\xa9t\xc3\xa9" / "inner"));
    write_bytes(server.root() / "backup set" / "a.bvf", "data");
    write_bytes(server.root() / "backup set" / "2024 \xc3\xa9t\xc3\xa9" / "inner" / "b.bvs", "more");
    try {
        root.create_new_directory(u"/backup set");
        FAIL() << "created a directory twice";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Can't create directory on FTP server.");
    }
    try {
        FtpDirectory(connection, u"/backup set").remove();
        FAIL() << "removed a directory that is not empty";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Can't delete the directory from FTP server.");
    }
    // A line break in a name never reaches the server as a second command.
    EXPECT_THROW(root.create_new_directory(u"/x\r\nRMD /backup set"), FtpException);

    EXPECT_TRUE(delete_ftp_directory_tree(connection, u"ftp://127.0.0.1/backup set", nullptr));
    EXPECT_FALSE(fs::exists(server.root() / "backup set"));
    EXPECT_TRUE(delete_ftp_directory_tree(connection, u"/backup set", nullptr));  // already gone
}

TEST(FtpDirectories, FoldersAreMadeWithTheirParentsAndRenamesReplace) {
    FtpServer server;
    FtpConnection connection(server.user_info());
    connection.connect();
    make_ftp_directories(connection, name_of("ftp://127.0.0.1/a b/\xc3\xa9t\xc3\xa9/c"));
    make_ftp_directories(connection, u"/a b");  // there already
    EXPECT_TRUE(fs::is_directory(server.root() / "a b" / "\xc3\xa9t\xc3\xa9" / "c"));
    write_bytes(server.root() / "a b" / "file", "x");
    EXPECT_THROW(make_ftp_directories(connection, u"/a b/file/below"), FtpException);

    const auto entry = find_ftp_entry(connection, u"/a b/file");
    ASSERT_TRUE(entry.has_value());
    EXPECT_FALSE(entry->is_directory);
    EXPECT_EQ(entry->size, 1);
    EXPECT_EQ(find_ftp_entry(connection, u"/a b/none"), std::nullopt);
    EXPECT_EQ(find_ftp_entry(connection, u"/no folder/none"), std::nullopt);

    write_bytes(server.root() / "a b" / "new~~part", "the new copy");
    connection.rename(u"/a b/new~~part", u"ftp://127.0.0.1/a b/file");
    EXPECT_EQ(brim_test::read_bytes(server.root() / "a b" / "file"), "the new copy");
    EXPECT_FALSE(fs::exists(server.root() / "a b" / "new~~part"));
    try {
        connection.rename(u"/a b/new~~part", u"/a b/file");
        FAIL() << "renamed a file that is not there";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Can't rename the file on FTP server.");
    }
}

TEST(FtpDirectories, OldFileDeletionTellsWhetherTheFileIsGone) {
    FtpServer server;
    write_bytes(server.root() / "old.bvf", "x");
    FtpConnection connection(server.user_info());
    connection.connect();
    EXPECT_TRUE(delete_old_ftp_file(connection, u"ftp://127.0.0.1/old.bvf", nullptr));
    EXPECT_FALSE(fs::exists(server.root() / "old.bvf"));
    EXPECT_TRUE(delete_old_ftp_file(connection, u"/old.bvf", nullptr));

    // Anonymous users may not delete: the file stays, and so the answer is false.
    write_bytes(server.root() / "kept.bvf", "x");
    FtpConnection anonymous(server.anonymous_info());
    anonymous.connect();
    EXPECT_FALSE(delete_old_ftp_file(anonymous, u"/kept.bvf", nullptr));
    try {
        FtpFile(anonymous, u"/kept.bvf").remove();
        FAIL() << "an anonymous user deleted a file";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Can't delete the file from FTP server.");
    }
    EXPECT_TRUE(fs::exists(server.root() / "kept.bvf"));
}

TEST(FtpServerConnections, FindsTheServerOfAPathIgnoringTheHostsCase) {
    FtpServer server;
    FtpConnectInfo localhost = server.user_info();
    localhost.server = u"ftp://localhost";
    FtpConnectInfo duplicate = localhost;
    FtpServerConnections connections;
    connections.set_servers({&localhost});
    connections.add_servers({&duplicate});
    FtpConnection& first = connections.connection_for(u"ftp://LocalHost/dir/file", nullptr);
    EXPECT_TRUE(first.is_connected());
    EXPECT_EQ(&connections.connection_for(u"localhost/other", nullptr), &first);
    try {
        connections.connection_for(u"ftp://elsewhere/file", nullptr);
        FAIL() << "connected to an unknown server";
    } catch (const FtpException& failure) {
        EXPECT_EQ(failure.message(), u"Unknown FTP server,can't connect to FTP server.");
    }
}

}  // namespace
}  // namespace brim
