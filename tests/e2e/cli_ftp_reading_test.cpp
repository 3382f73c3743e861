// Reading an archive set that lies on a real FTP server through
// brimvault-cli: "check --read-data" reads every stored file back through
// FTP, volume by volume, and compares it with the digests kept beside the
// set; Ctrl-C stops a restore that fetches the set's volumes.
#include <algorithm>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "tests/integration/ftp_server_fixture.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/file_tree.h"
#include "tests/support/odd_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::random_bytes;
using brim_test::read_bytes;
using brim_test::write_bytes;

class CliFtpReading : public brim_test::CliJobs {
protected:
    CliFtpReading() {
        fs::create_directories(src / "sub");
        write_bytes(src / "big", random_bytes(300000, 11));
        write_bytes(src / "sub" / "small", "small file");
        write_bytes(root / "ftp-pw", "s3cret pass\n");
        home.set("BRIMVAULT_SEGMENT_BYTES", "100000");
    }

    // A job "Off" whose set of several volumes lies on the server.
    void back_up_to_the_server() {
        const std::string port = std::to_string(server.port());
        const auto added = cli({"job", "add", "Off", "--kind", "normal", "--dest", "ftp://127.0.0.1:" + port + "/sets",
                                "--dir", src.string(), "--ftp", "127.0.0.1:" + port, "--ftp-user", "backup",
                                "--ftp-password-file", (root / "ftp-pw").string(), "--no-open-files"});
        ASSERT_EQ(added.status, 0) << added.output;
        run("Off");
        ASSERT_GE(volumes().size(), 2u);
    }

    fs::path staging() const { return home.data_dir() / "staging"; }

    fs::path sets() const { return server.root() / "sets"; }

    // The set's volumes on the server, in the order of their names.
    std::vector<fs::path> volumes() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(sets()))
            if (entry.path().extension() == ".bvs") found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        return found;
    }

    brim_test::FtpServer server;
};

// A set of several volumes on the server checks clean; one byte flipped in
// a volume there is found in exactly the file it belongs to, with its run;
// the staging folder is empty after each check.
TEST_F(CliFtpReading, ReadDataReadsTheSetBackFromTheServerAndNamesTheDamagedFile) {
    back_up_to_the_server();
    ASSERT_TRUE(fs::exists(sets() / "Off.bvf.bvh"));
    const auto staging = this->staging();

    const auto clean = cli({"check", "Off", "--read-data"});
    EXPECT_EQ(clean.status, 0) << clean.output;
    EXPECT_NE(clean.output.find("0 damaged, 0 without a digest"), std::string::npos) << clean.output;
    // The set is named by its address, not by the staged copy read.
    const std::string address = "ftp://127.0.0.1:" + std::to_string(server.port()) + "/sets/Off.bvf";
    EXPECT_NE(clean.output.find("backup set \"" + address + "\""), std::string::npos) << clean.output;
    EXPECT_TRUE(brim_test::tree_of(staging).empty());

    // Rot on the server: a byte of "big" in the first volume, which holds
    // nothing but its continued data; the file's time stays.
    const fs::path volume = volumes().front();
    const auto modified = fs::last_write_time(volume);
    std::string bytes = read_bytes(volume);
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
    write_bytes(volume, bytes);
    fs::last_write_time(volume, modified);

    const auto found = cli({"check", "Off", "--read-data"});
    EXPECT_EQ(found.status, 1) << found.output;
    EXPECT_NE(found.output.find("damaged: " + (src / "big").string() + "  (run 1 "), std::string::npos)
        << found.output;
    EXPECT_EQ(found.output.find("small"), std::string::npos) << found.output;
    EXPECT_NE(found.output.find("1 damaged"), std::string::npos) << found.output;
    EXPECT_NE(cli({"log", "--last", "5"}).output.find("has been damaged"), std::string::npos);
    EXPECT_TRUE(brim_test::tree_of(staging).empty());
}

// Ctrl-C while a restore reads the set from the server (each read of the
// staged files is slow, so the restore cannot end first): the restore ends
// stopped, no file of the target is only part of its source, and the
// staging folder is empty.
TEST_F(CliFtpReading, CtrlCStopsARestoreThatFetchesTheSet) {
    back_up_to_the_server();
    const fs::path target = root / "back";
    home.set("BRIMVAULT_FAULTS", "read:1+:SLOW:staging");
    const auto stopped = cli({"restore", "Off", "--to", target.string(), "--verbose"}, "Restoring from");
    home.set("BRIMVAULT_FAULTS", std::nullopt);
    EXPECT_EQ(stopped.status, 2) << stopped.output;
    EXPECT_NE(stopped.output.find("Stopped."), std::string::npos) << stopped.output;
    EXPECT_NE(cli({"report", "Off"}).output.find("Stopped"), std::string::npos);
    const auto sources = brim_test::tree_of(src);
    std::size_t restored = 0;
    for (const auto& [name, bytes] : brim_test::tree_of(target)) {
        const auto source = sources.find(name.substr(name.find('/') + 1));
        ASSERT_NE(source, sources.end()) << name;
        EXPECT_EQ(bytes, source->second) << name;
        ++restored;
    }
    EXPECT_LT(restored, sources.size());
    EXPECT_TRUE(brim_test::tree_of(staging()).empty());
}

}  // namespace
