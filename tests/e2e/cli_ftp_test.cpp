// Backups of FTP sources from a real FTP server on 127.0.0.1, and a run
// stopped with Ctrl-C, through brimvault-cli.
#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include <gtest/gtest.h>

#include "core/archive/catalogue.h"
#include "core/archive/set_layout.h"
#include "core/jobs/tests/store_home.h"
#include "tests/integration/ftp_server_fixture.h"
#include "tests/integration/ftp_test_support.h"
#include "tests/integration/vsftpd_fixture.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_tree.h"
#include "tests/support/set_contents.h"

namespace {

using brim_test::read_bytes;
using brim_test::write_bytes;

class CliFtp : public brim_test::StoreHome {
protected:
    brim_test::CliResult cli(std::vector<std::string> args, const std::string& interrupt_on = {}) {
        return brim_test::run_cli(BRIM_CLI, args, interrupt_on);
    }

    // A small tree to back up (a non-ASCII name, a space, an empty file, one
    // of 65,537 bytes) and the FTP password in "ftp-pw"; the tree's folder.
    std::filesystem::path sources_and_ftp_password() {
        const auto src = home.dir().path() / "src";
        std::filesystem::create_directories(src / "sub dir");
        write_bytes(src / "caf\xC3\xA9.txt", "non-ASCII");
        write_bytes(src / "sub dir" / "empty", "");
        write_bytes(src / "sub dir" / "odd.bin", std::string(65537, 'o'));
        write_bytes(home.dir().path() / "ftp-pw", "s3cret pass\n");
        return src;
    }
};

TEST_F(CliFtp, AnFtpDirectoryIsBackedUpFromARealServer) {
    brim_test::FtpServer server;
    const auto pub = server.root() / "pub";
    std::filesystem::create_directories(pub / "sub dir");
    write_bytes(pub / "caf\xC3\xA9 menu.txt", "non-ASCII and a space");
    write_bytes(pub / "sub dir" / "data.bin", std::string(200000, 'd'));
    write_bytes(home.dir().path() / "ftp-pw", "s3cret pass\n");
    const std::string dest = (home.dir().path() / "dest").string();
    const auto added = cli({"job", "add", "remote", "--kind", "normal", "--dest", dest, "--ftp-dir", "ftp://127.0.0.1/pub",
                            "--ftp", "127.0.0.1:" + std::to_string(server.port()), "--ftp-user", "backup",
                            "--ftp-password-file", (home.dir().path() / "ftp-pw").string(), "--ftp-passive"});
    ASSERT_EQ(added.status, 0) << added.output;
    const auto ran = cli({"run", "remote"});
    ASSERT_EQ(ran.status, 0) << ran.output;

    auto read = brim::archive::read_set_layout(wide(home.dir().path() / "dest" / "remote.bvf"), false, true, 1);
    ASSERT_EQ(read.error, brim::archive::LayoutError::none);
    std::map<std::string, std::string> backed_up;
    for (const auto& [path, bytes] : brim_test::run_contents(read.layout, read.layout.runs[0], u""))
        backed_up[narrow(path.substr(path.rfind(u'/') + 1))] = bytes;
    EXPECT_EQ(backed_up, (std::map<std::string, std::string>{{"caf\xC3\xA9 menu.txt", read_bytes(pub / "caf\xC3\xA9 menu.txt")},
                                                             {"data.bin", read_bytes(pub / "sub dir" / "data.bin")}}));

    // The same source written with the server's port finds the same log-on entry.
    const std::string with_port = "ftp://127.0.0.1:" + std::to_string(server.port()) + "/pub";
    ASSERT_EQ(cli({"job", "add", "ported", "--kind", "normal", "--dest", dest, "--ftp-dir", with_port, "--ftp",
                   "127.0.0.1:" + std::to_string(server.port()), "--ftp-user", "backup", "--ftp-password-file",
                   (home.dir().path() / "ftp-pw").string(), "--ftp-passive"})
                  .status,
              0);
    const auto ported = cli({"run", "ported"});
    EXPECT_EQ(ported.status, 0) << ported.output;
    EXPECT_NE(ported.output.find("2 of 2 files"), std::string::npos) << ported.output;
}

TEST_F(CliFtp, FtpItemsAreRestoredToTheServerTheyCameFrom) {
    const auto local = home.dir().path() / "local";
    std::filesystem::create_directories(local);
    write_bytes(local / "here.txt", "a local file");
    std::string port;
    {
        brim_test::FtpServer server;
        port = std::to_string(server.port());
        const auto pub = server.root() / "pub";
        std::filesystem::create_directories(pub / "sub dir");
        write_bytes(pub / "kept.txt", "original");
        write_bytes(pub / "sub dir" / "data.bin", std::string(200000, 'd'));
        write_bytes(home.dir().path() / "ftp-pw", "s3cret pass\n");
        const std::string dest = (home.dir().path() / "dest").string();
        ASSERT_EQ(cli({"job", "add", "remote", "--kind", "normal", "--dest", dest, "--ftp-dir", "ftp://127.0.0.1/pub",
                       "--ftp", "127.0.0.1:" + port, "--ftp-user", "backup", "--ftp-password-file",
                       (home.dir().path() / "ftp-pw").string(), "--ftp-passive", "--dir", local.string(), "--cipher",
                       "rijndael", "--retry", "0"})
                      .status,
                  0);
        ASSERT_EQ(cli({"run", "remote"}).status, 0);

        // The server loses a folder and a file changes: kept by "skip", put back by "replace".
        std::filesystem::remove_all(pub / "sub dir");
        write_bytes(pub / "kept.txt", "changed");
        auto restored = cli({"restore", "remote", "--existing", "skip"});
        EXPECT_EQ(restored.status, 0) << restored.output;
        EXPECT_EQ(read_bytes(pub / "sub dir" / "data.bin"), std::string(200000, 'd'));
        EXPECT_EQ(read_bytes(pub / "kept.txt"), "changed");
        restored = cli({"restore", "remote", "--existing", "replace"});
        EXPECT_EQ(restored.status, 0) << restored.output;
        EXPECT_EQ(read_bytes(pub / "kept.txt"), "original");
    }
    // With the server gone, its items are dropped with a warning and the local ones restored.
    std::filesystem::remove(local / "here.txt");
    const auto partial = cli({"restore", "remote", "--existing", "replace"});
    EXPECT_EQ(partial.status, 1) << partial.output;
    EXPECT_NE(partial.output.find("Can't restore \"ftp://127.0.0.1/pub"), std::string::npos) << partial.output;
    EXPECT_EQ(read_bytes(local / "here.txt"), "a local file");
}

// The change selection on an FTP source: a file put back with an older time
// and a file whose size changed within the listing's time resolution are
// taken by the next increment, and nothing else.
TEST_F(CliFtp, AnIncrementTakesFilesPutBackOlderAndFilesOfAnotherSize) {
    brim_test::FtpServer server;
    const auto pub = server.root() / "pub";
    std::filesystem::create_directories(pub);
    for (const char* name : {"same.txt", "older.txt", "resized.txt"}) write_bytes(pub / name, "first version");
    write_bytes(home.dir().path() / "ftp-pw", "s3cret pass\n");
    const std::string dest = (home.dir().path() / "dest").string();
    ASSERT_EQ(cli({"job", "add", "remote", "--kind", "increment", "--append", "--dest", dest, "--ftp-dir",
                   "ftp://127.0.0.1/pub", "--ftp", "127.0.0.1:" + std::to_string(server.port()), "--ftp-user", "backup",
                   "--ftp-password-file", (home.dir().path() / "ftp-pw").string(), "--ftp-passive"})
                  .status,
              0);
    ASSERT_EQ(cli({"run", "remote"}).status, 0);
    const auto then = std::filesystem::last_write_time(pub / "older.txt");
    write_bytes(pub / "older.txt", "put back");
    std::filesystem::last_write_time(pub / "older.txt", then - std::chrono::hours(48));
    write_bytes(pub / "resized.txt", "second, longer version");
    std::filesystem::last_write_time(pub / "resized.txt", then);
    const auto second = cli({"run", "remote"});
    ASSERT_EQ(second.status, 0) << second.output;
    auto read = brim::archive::read_set_layout(wide(home.dir().path() / "dest" / "remote.bvf"), false, true, 1);
    ASSERT_EQ(read.error, brim::archive::LayoutError::none);
    ASSERT_EQ(read.layout.runs.size(), 2u);
    std::map<std::string, std::string> taken;
    for (const auto& [path, bytes] : brim_test::run_contents(read.layout, read.layout.runs[1], u""))
        taken[narrow(path.substr(path.rfind(u'/') + 1))] = bytes;
    EXPECT_EQ(taken, (std::map<std::string, std::string>{{"older.txt", "put back"},
                                                         {"resized.txt", "second, longer version"}}));
}

// A server without MLSD lists times to the minute (recent files) or the day
// (older ones): each file's own time is asked for, so an increment sees a
// change made within the same minute and the set records the real times.
TEST_F(CliFtp, OnAListOnlyServerTheSetRecordsTimesToTheSecond) {
    brim_test::FtpServer server({.without_mlsd = true});
    const auto pub = server.root() / "pub";
    std::filesystem::create_directories(pub);
    // Seconds since 1970: a minute three hours ago, and a time over a year ago.
    const std::int64_t minute = (std::time(nullptr) - 3 * 3600) / 60 * 60;
    const std::int64_t old = minute - 400 * 86400 + 3723;
    const auto set_time = [](const std::filesystem::path& file, std::int64_t seconds) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    };
    write_bytes(pub / "edited.txt", "version 1");
    set_time(pub / "edited.txt", minute + 10);
    write_bytes(pub / "old.txt", "old");
    set_time(pub / "old.txt", old);
    write_bytes(home.dir().path() / "ftp-pw", "s3cret pass\n");
    ASSERT_EQ(cli({"job", "add", "remote", "--kind", "increment", "--append", "--dest",
                   (home.dir().path() / "dest").string(), "--ftp-dir", "ftp://127.0.0.1/pub", "--ftp",
                   "127.0.0.1:" + std::to_string(server.port()), "--ftp-user", "backup", "--ftp-password-file",
                   (home.dir().path() / "ftp-pw").string(), "--ftp-passive"})
                  .status,
              0);
    ASSERT_EQ(cli({"run", "remote"}).status, 0);
    write_bytes(pub / "edited.txt", "version 2");  // the same size, the same minute
    set_time(pub / "edited.txt", minute + 40);
    ASSERT_EQ(cli({"run", "remote"}).status, 0);

    auto read = brim::archive::read_set_layout(wide(home.dir().path() / "dest" / "remote.bvf"), false, true, 1);
    ASSERT_EQ(read.error, brim::archive::LayoutError::none);
    ASSERT_EQ(read.layout.runs.size(), 2u);
    constexpr std::int64_t micros = 1'000'000;
    std::map<std::string, std::int64_t> first, second;
    brim::archive::for_each_file(*read.layout.runs[0].root,
                                 [&](const brim::DataHeader& item) { first[narrow(item.name())] = item.modified; });
    brim::archive::for_each_file(*read.layout.runs[1].root,
                                 [&](const brim::DataHeader& item) { second[narrow(item.name())] = item.modified; });
    EXPECT_EQ(first, (std::map<std::string, std::int64_t>{{"edited.txt", (minute + 10) * micros},
                                                          {"old.txt", old * micros}}));
    EXPECT_EQ(second, (std::map<std::string, std::int64_t>{{"edited.txt", (minute + 40) * micros}}));
}

// A directory_copy job whose destination is a folder on the server: refused
// without a log-on entry for it or for an archive kind, mirrored onto the
// server otherwise, and aborted with the server's reason on a wrong
// password, with nothing written on the local disk.
TEST_F(CliFtp, ADirectoryCopyJobMirrorsOntoAnFtpDestination) {
    brim_test::FtpServer server;
    const auto src = sources_and_ftp_password();
    write_bytes(home.dir().path() / "wrong-pw", "not it\n");
    const std::string port = std::to_string(server.port());
    const std::string dest = "ftp://127.0.0.1:" + port + "/backup";
    const auto add = [&](const std::string& name, const std::string& kind, std::vector<std::string> more) {
        std::vector<std::string> args = {"job", "add", name, "--kind", kind, "--dest", dest, "--dir", src.string()};
        args.insert(args.end(), more.begin(), more.end());
        return cli(args);
    };
    const std::vector<std::string> logon = {"--ftp", "127.0.0.1:" + port, "--ftp-user", "backup",
                                            "--ftp-password-file", (home.dir().path() / "ftp-pw").string()};

    const auto no_entry = add("nowhere", "directory_copy", {"--ftp", "127.0.0.1:1"});
    EXPECT_EQ(no_entry.status, 64) << no_entry.output;
    EXPECT_NE(no_entry.output.find("has no log-on entry"), std::string::npos) << no_entry.output;
    const auto disc = add("disc", "burner", logon);
    EXPECT_EQ(disc.status, 64) << disc.output;
    EXPECT_NE(disc.output.find("cannot be written to an FTP server"), std::string::npos) << disc.output;

    ASSERT_EQ(add("mirror", "directory_copy", logon).status, 0);
    const auto ran = cli({"run", "mirror"});
    ASSERT_EQ(ran.status, 0) << ran.output;
    EXPECT_EQ(brim_test::tree_of(server.root() / "backup" / "src"), brim_test::tree_of(src));

    std::vector<std::string> wrong = logon;
    wrong.back() = (home.dir().path() / "wrong-pw").string();
    ASSERT_EQ(add("locked", "directory_copy", wrong).status, 0);
    const auto refused = cli({"run", "locked"});
    EXPECT_EQ(refused.status, 4) << refused.output;
    EXPECT_NE(refused.output.find("specified FTP server can't be connected"), std::string::npos) << refused.output;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "ftp:"));
}

// A set on the server: written there, appended to, listed and restored
// from there, with the staging folder empty after every command.
TEST_F(CliFtp, ASetOnAnFtpServerIsWrittenAppendedListedAndRestored) {
    brim_test::FtpServer server;
    const auto src = sources_and_ftp_password();
    write_bytes(home.dir().path() / "set-pw", "set password\n");
    const auto staging = home.data_dir() / "staging";
    ASSERT_EQ(cli({"job", "add", "offsite", "--kind", "increment", "--append", "--dest",
                   "ftp://127.0.0.1:" + std::to_string(server.port()) + "/sets", "--dir", src.string(), "--ftp",
                   "127.0.0.1:" + std::to_string(server.port()), "--ftp-user", "backup", "--ftp-password-file",
                   (home.dir().path() / "ftp-pw").string(), "--cipher", "rijndael", "--password-file",
                   (home.dir().path() / "set-pw").string(), "--verify"})
                  .status,
              0);
    const auto first = cli({"run", "offsite"});
    ASSERT_EQ(first.status, 0) << first.output;
    const auto original = brim_test::tree_of(src);
    write_bytes(src / "sub dir" / "empty", "second run");
    const auto second = cli({"run", "offsite"});
    ASSERT_EQ(second.status, 0) << second.output;
    EXPECT_TRUE(std::filesystem::exists(server.root() / "sets" / "offsite.bvf"));
    EXPECT_TRUE(brim_test::tree_of(staging).empty());

    const auto listed = cli({"list", "offsite", "--password-file", (home.dir().path() / "set-pw").string()});
    ASSERT_EQ(listed.status, 0) << listed.output;
    EXPECT_NE(listed.output.find("run 2"), std::string::npos) << listed.output;
    EXPECT_TRUE(brim_test::tree_of(staging).empty());

    const auto back = home.dir().path() / "back";
    // The first run alone, then every file from the newest run that holds it.
    const std::vector<std::string> runs[] = {{"--run", "1"}, {}};
    for (const auto& [run, expected] : {std::pair{runs[0], original}, std::pair{runs[1], brim_test::tree_of(src)}}) {
        SCOPED_TRACE(run.empty() ? "newest" : "run 1");
        std::filesystem::remove_all(back);
        std::vector<std::string> args = {"restore", "offsite", "--to", back.string(), "--password-file",
                                         (home.dir().path() / "set-pw").string()};
        args.insert(args.end(), run.begin(), run.end());
        const auto restored = cli(args);
        ASSERT_EQ(restored.status, 0) << restored.output;
        std::map<std::string, std::string> files;
        for (const auto& [name, bytes] : brim_test::tree_of(back))
            files[std::filesystem::path(name).filename().string()] = bytes;
        std::map<std::string, std::string> wanted;
        for (const auto& [name, bytes] : expected) wanted[std::filesystem::path(name).filename().string()] = bytes;
        EXPECT_EQ(files, wanted);
    }
    EXPECT_TRUE(brim_test::tree_of(staging).empty());
}

// The files of a folder by file name alone (the copy kinds keep the
// sources' absolute paths below their copy roots).
std::map<std::string, std::string> by_file_name(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& [name, bytes] : brim_test::tree_of(folder))
        files[std::filesystem::path(name).filename().string()] = bytes;
    return files;
}

// The copy roots below a folder on the server, each with its files by name.
std::vector<std::map<std::string, std::string>> copy_roots(const std::filesystem::path& folder) {
    std::vector<std::map<std::string, std::string>> roots;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_directory()) roots.push_back(by_file_name(entry.path()));
    return roots;
}

// The copy kinds on the server: the copies uploaded under a copy root there,
// the catalogue beside them; a second run after a change; the set listed,
// restored from the server byte for byte (newest of each file) and its
// data read back; the staging folder empty after every command.
TEST_F(CliFtp, TheCopyKindsKeepTheirSetOnAnFtpServer) {
    struct Case {
        const char* kind;
        std::vector<std::string> more;
        std::size_t roots;                 // copy roots on the server after two runs
        std::size_t files_in_second_root;  // files the second run's root holds (two roots)
    };
    const Case cases[] = {
        {"copy", {}, 1, 0},
        {"copy", {"--append"}, 2, 3},
        {"increment_copy", {"--append"}, 2, 1},
        {"merge_copy", {}, 1, 0},
    };
    brim_test::FtpServer server;
    const auto src = sources_and_ftp_password();
    const auto staging = home.data_dir() / "staging";
    const std::string port = std::to_string(server.port());
    int n = 0;
    for (const Case& c : cases) {
        const std::string job = std::string(c.kind) + std::to_string(++n);
        SCOPED_TRACE(job);
        write_bytes(src / "sub dir" / "empty", "");
        const auto folder = server.root() / job;
        std::vector<std::string> add = {"job", "add", job, "--kind", c.kind, "--dest",
                                        "ftp://127.0.0.1:" + port + "/" + job, "--dir", src.string(), "--ftp",
                                        "127.0.0.1:" + port, "--ftp-user", "backup", "--ftp-password-file",
                                        (home.dir().path() / "ftp-pw").string(), "--verify"};
        add.insert(add.end(), c.more.begin(), c.more.end());
        const auto added = cli(add);
        ASSERT_EQ(added.status, 0) << added.output;
        const auto first = cli({"run", job});
        ASSERT_EQ(first.status, 0) << first.output;
        EXPECT_TRUE(std::filesystem::exists(folder / (job + ".bvd")));
        ASSERT_EQ(copy_roots(folder).size(), 1u);
        const auto first_root = copy_roots(folder)[0];
        EXPECT_EQ(first_root, by_file_name(src));
        EXPECT_TRUE(brim_test::tree_of(staging).empty());

        write_bytes(src / "sub dir" / "empty", "second run");
        const auto second = cli({"run", job});
        ASSERT_EQ(second.status, 0) << second.output;
        const auto roots = copy_roots(folder);
        ASSERT_EQ(roots.size(), c.roots);
        if (c.roots == 1) {
            EXPECT_EQ(roots[0], by_file_name(src));
        } else {
            // The first run's copy root is kept as it was beside the second's.
            ASSERT_TRUE(roots[0] == first_root || roots[1] == first_root);
            const auto& newest = roots[0] == first_root ? roots[1] : roots[0];
            EXPECT_EQ(newest.size(), c.files_in_second_root);
            EXPECT_EQ(newest.count("empty") ? newest.at("empty") : "", "second run");
        }
        EXPECT_TRUE(brim_test::tree_of(staging).empty());
        for (const auto& [name, bytes] : brim_test::tree_of(folder)) EXPECT_FALSE(name.ends_with("~~part")) << name;

        const auto listed = cli({"list", job});
        ASSERT_EQ(listed.status, 0) << listed.output;
        EXPECT_NE(listed.output.find("odd.bin"), std::string::npos) << listed.output;
        const auto back = home.dir().path() / ("back-" + job);
        const auto restored = cli({"restore", job, "--to", back.string()});
        ASSERT_EQ(restored.status, 0) << restored.output;
        EXPECT_EQ(by_file_name(back), by_file_name(src));
        EXPECT_TRUE(brim_test::tree_of(staging).empty());
        const auto checked = cli({"check", job, "--read-data"});
        EXPECT_EQ(checked.status, 0) << checked.output;
        EXPECT_TRUE(brim_test::tree_of(staging).empty());
    }
}

// The check before a run reads the set on the server: a set there is one
// a run without --append replaces, and a damaged one is cleared.
TEST_F(CliFtp, TheCheckProbesTheSetOnTheServer) {
    brim_test::FtpServer server;
    const auto src = sources_and_ftp_password();
    ASSERT_EQ(cli({"job", "add", "offsite", "--kind", "normal", "--dest",
                   "ftp://127.0.0.1:" + std::to_string(server.port()) + "/sets", "--dir", src.string(), "--ftp",
                   "127.0.0.1:" + std::to_string(server.port()), "--ftp-user", "backup", "--ftp-password-file",
                   (home.dir().path() / "ftp-pw").string()})
                  .status,
              0);
    EXPECT_EQ(cli({"check", "offsite"}).status, 0);
    ASSERT_EQ(cli({"run", "offsite"}).status, 0);
    EXPECT_EQ(cli({"check", "offsite"}).status, 5);
    write_bytes(server.root() / "sets" / "offsite.bvf", "not a set at all, only text");
    EXPECT_EQ(cli({"check", "offsite"}).status, 4);
    EXPECT_TRUE(brim_test::tree_of(home.data_dir() / "staging").empty());
}

// The round trip against vsftpd, which lists with LIST only: a mirror onto
// it, a backup of its files, their restore back onto it after they were
// lost, and a restore to a local folder with the files' own times.
TEST_F(CliFtp, RoundTripThroughVsftpd) {
    brim_test::Vsftpd server;
    if (!server.why_not().empty()) GTEST_SKIP() << server.why_not();
    const auto src = home.dir().path() / "src";
    std::filesystem::create_directories(src / "with space");
    write_bytes(src / "caf\xC3\xA9 \xC3\xBC.txt", "non-ASCII and a space");
    write_bytes(src / "with space" / "empty", "");
    write_bytes(src / "with space" / "odd.bin", std::string(65537, 'o'));
    const std::string logon = "127.0.0.1:" + std::to_string(server.port());

    ASSERT_EQ(cli({"job", "add", "mirror", "--kind", "directory_copy", "--dest", server.url("backup"), "--dir",
                   src.string(), "--ftp", logon, "--ftp-passive"})
                  .status,
              0);
    const auto mirrored = cli({"run", "mirror"});
    ASSERT_EQ(mirrored.status, 0) << mirrored.output;
    const auto copy = server.root() / "backup" / "src";
    EXPECT_EQ(brim_test::tree_of(copy), brim_test::tree_of(src));

    ASSERT_EQ(cli({"job", "add", "pulled", "--kind", "normal", "--dest", (home.dir().path() / "dest").string(),
                   "--ftp-dir", server.url("backup/src"), "--ftp", logon, "--ftp-passive"})
                  .status,
              0);
    const auto pulled = cli({"run", "pulled"});
    ASSERT_EQ(pulled.status, 0) << pulled.output;
    const auto copy_time = std::filesystem::last_write_time(copy / "with space" / "odd.bin");
    std::filesystem::remove_all(copy);
    const auto put_back = cli({"restore", "pulled", "--existing", "replace"});
    EXPECT_EQ(put_back.status, 0) << put_back.output;
    EXPECT_EQ(brim_test::tree_of(copy), brim_test::tree_of(src));

    const auto local = home.dir().path() / "local";
    const auto restored = cli({"restore", "pulled", "--to", local.string()});
    ASSERT_EQ(restored.status, 0) << restored.output;
    std::filesystem::path odd;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(local))
        if (entry.path().filename() == "odd.bin") odd = entry.path();
    ASSERT_FALSE(odd.empty());
    EXPECT_EQ(brim_test::read_bytes(odd), std::string(65537, 'o'));
    EXPECT_EQ(std::chrono::floor<std::chrono::seconds>(std::filesystem::last_write_time(odd)),
              std::chrono::floor<std::chrono::seconds>(copy_time));
}

// The copy kinds against vsftpd (LIST only, so times to the minute): an
// increment_copy set written there in two runs and restored from there byte
// for byte.
TEST_F(CliFtp, ACopySetRoundTripsThroughVsftpd) {
    brim_test::Vsftpd server;
    if (!server.why_not().empty()) GTEST_SKIP() << server.why_not();
    const auto src = sources_and_ftp_password();
    const std::string logon = "127.0.0.1:" + std::to_string(server.port());
    ASSERT_EQ(cli({"job", "add", "copies", "--kind", "increment_copy", "--append", "--dest", server.url("copies"),
                   "--dir", src.string(), "--ftp", logon, "--ftp-passive", "--verify"})
                  .status,
              0);
    const auto first = cli({"run", "copies"});
    ASSERT_EQ(first.status, 0) << first.output;
    write_bytes(src / "sub dir" / "empty", "second run");
    const auto second = cli({"run", "copies"});
    ASSERT_EQ(second.status, 0) << second.output;
    const auto roots = copy_roots(server.root() / "copies");
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0].size() + roots[1].size(), by_file_name(src).size() + 1);

    const auto back = home.dir().path() / "back";
    const auto restored = cli({"restore", "copies", "--to", back.string()});
    ASSERT_EQ(restored.status, 0) << restored.output;
    EXPECT_EQ(by_file_name(back), by_file_name(src));
    EXPECT_TRUE(brim_test::tree_of(home.data_dir() / "staging").empty());
}

TEST_F(CliFtp, CtrlCStopsARunCleanly) {
    const auto src = home.dir().path() / "many";
    std::filesystem::create_directories(src);
    for (int i = 0; i < 3000; ++i) write_bytes(src / ("file" + std::to_string(i)), std::string(1000, 'x'));
    ASSERT_EQ(cli({"job", "add", "many", "--kind", "normal", "--dest", (home.dir().path() / "dest").string(), "--dir",
                   src.string()})
                  .status,
              0);
    // Each read is slow, so the run cannot end before Ctrl-C reaches it.
    home.set("BRIMVAULT_FAULTS", "read:1+:SLOW");
    const auto stopped = cli({"run", "many", "--verbose"}, "\nfile ");
    home.set("BRIMVAULT_FAULTS", std::nullopt);
    EXPECT_EQ(stopped.status, 2) << stopped.output.substr(stopped.output.size() > 400 ? stopped.output.size() - 400 : 0);
    EXPECT_NE(stopped.output.find("Stopped."), std::string::npos);
    EXPECT_NE(cli({"report", "many"}).output.find("Stopped"), std::string::npos);
    // The set written so far reads: the run holds what was written before the stop.
    auto read = brim::archive::read_set_layout(wide(home.dir().path() / "dest" / "many.bvf"), false, true, 1);
    EXPECT_EQ(read.error, brim::archive::LayoutError::none);
    EXPECT_TRUE(read.layout.is_complete());
}

// Ctrl-C while the run sends its set to the server: the run ends stopped,
// the set on the server is the one from before, no temporary file is left
// there and the staging folder is empty.
TEST_F(CliFtp, CtrlCWhileTheSetIsSentLeavesTheRemoteSetAsItWas) {
    brim_test::FtpServer server;
    const auto src = home.dir().path() / "one";
    std::filesystem::create_directories(src);
    brim_test::write_pattern_file(src / "big.bin", 1, 4 * 1024 * 1024);
    write_bytes(home.dir().path() / "ftp-pw", "s3cret pass\n");
    const std::string port = std::to_string(server.port());
    ASSERT_EQ(cli({"job", "add", "Set", "--kind", "normal", "--dest", "ftp://127.0.0.1:" + port + "/sets", "--dir",
                   src.string(), "--ftp", "127.0.0.1:" + port, "--ftp-user", "backup", "--ftp-password-file",
                   (home.dir().path() / "ftp-pw").string()})
                  .status,
              0);
    const auto first = cli({"run", "Set"});
    ASSERT_EQ(first.status, 0) << first.output;
    const auto before = brim_test::tree_of(server.root());

    brim_test::write_pattern_file(src / "big.bin", 2, 4 * 1024 * 1024);
    // Reading the staged set is slow, so its sending cannot end before
    // Ctrl-C reaches the run; the text is the first file sent after the
    // one source file was written.
    home.set("BRIMVAULT_FAULTS", "read:1+:SLOW:staging");
    const auto stopped = cli({"run", "Set", "--verbose"}, "big.bin\nfile ftp://");
    home.set("BRIMVAULT_FAULTS", std::nullopt);
    EXPECT_EQ(stopped.status, 2) << stopped.output;
    EXPECT_NE(stopped.output.find("Stopped."), std::string::npos) << stopped.output;
    EXPECT_EQ(brim_test::tree_of(server.root()), before);
    EXPECT_TRUE(brim_test::tree_of(home.data_dir() / "staging").empty());
}

// A set that lies on an FTP server is opened as a job: the job reads it
// from the server, behind the set's password, and restores it byte for
// byte; a server that refuses the log-on, a file it does not hold and a
// volume name are refused; nothing stays in the staging folder.
TEST_F(CliFtp, ASetOnAnFtpServerIsOpenedAsAJobAndRestored) {
    brim_test::FtpServer server;
    const auto src = sources_and_ftp_password();
    const auto ftp_pw = (home.dir().path() / "ftp-pw").string();
    const auto set_pw = (home.dir().path() / "set-pw").string();
    write_bytes(set_pw, "set secret\n");
    const std::string port = std::to_string(server.port());
    const std::string folder = "ftp://127.0.0.1:" + port + "/sets";
    const std::vector<std::string> logon = {"--ftp-user", "backup", "--ftp-password-file", ftp_pw};
    struct Case {
        const char* kind;
        const char* name;
        const char* file;
    };
    for (const Case& c : {Case{"normal", "Plain", "Plain.bvf"}, Case{"increment_copy", "Copies", "Copies.bvd"}}) {
        SCOPED_TRACE(c.kind);
        ASSERT_EQ(cli({"job", "add", c.name, "--kind", c.kind, "--dest", folder, "--dir", src.string(), "--ftp",
                       "127.0.0.1:" + port, "--ftp-user", "backup", "--ftp-password-file", ftp_pw, "--cipher",
                       "rijndael", "--password-file", set_pw})
                      .status,
                  0);
        const auto ran = cli({"run", c.name, "--password-file", set_pw});
        ASSERT_EQ(ran.status, 0) << ran.output;
        ASSERT_EQ(cli({"job", "remove", c.name}).status, 0);

        std::vector<std::string> open = {"open", folder + "/" + c.file};
        open.insert(open.end(), logon.begin(), logon.end());
        const auto opened = cli(open);
        ASSERT_EQ(opened.status, 0) << opened.output;
        EXPECT_EQ(cli({"list", c.name}).status, 77);
        const auto listed = cli({"list", c.name, "--password-file", set_pw});
        ASSERT_EQ(listed.status, 0) << listed.output;
        EXPECT_NE(listed.output.find("odd.bin"), std::string::npos) << listed.output;
        const auto back = home.dir().path() / (std::string("back-") + c.name);
        const auto restored = cli({"restore", c.name, "--to", back.string(), "--password-file", set_pw});
        ASSERT_EQ(restored.status, 0) << restored.output;
        EXPECT_EQ(by_file_name(back), by_file_name(src));
        EXPECT_TRUE(brim_test::tree_of(home.data_dir() / "staging").empty());
    }

    write_bytes(home.dir().path() / "wrong-pw", "not it\n");
    struct Refusal {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Refusal refusals[] = {
        {{"open", folder + "/Gone.bvf", "--ftp-user", "backup", "--ftp-password-file", ftp_pw}, 70, "does not exist"},
        {{"open", folder + "/Other.bvf", "--ftp-user", "backup", "--ftp-password-file",
          (home.dir().path() / "wrong-pw").string()},
         70,
         "specified FTP server can't be connected"},
        {{"open", folder + "/Plain_1.bvs", "--ftp-user", "backup", "--ftp-password-file", ftp_pw}, 64, ".bvf or .bvd"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.args[1]);
        const auto refused = cli(r.args);
        EXPECT_EQ(refused.status, r.status) << refused.output;
        EXPECT_NE(refused.output.find(r.says), std::string::npos) << refused.output;
    }
    EXPECT_NE(cli({"job", "list"}).output.find("Plain"), std::string::npos);
    EXPECT_TRUE(brim_test::tree_of(home.data_dir() / "staging").empty());
}

}  // namespace
