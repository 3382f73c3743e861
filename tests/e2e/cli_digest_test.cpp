// The digests kept beside every set: "check --read-data" finds a flipped
// byte in the stored data of a set of each cipher and of a copy kind, a
// restore refuses the damaged file and leaves an existing good one as it
// was, and a set without a digest file works as before. (The verification
// after a run is tested with the archive runs of the engine.)
#include <csignal>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/cli_fixture.h"
#include "tests/support/odd_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::random_bytes;
using brim_test::read_bytes;
using brim_test::write_bytes;

// Rot on the disk: one byte changes, the file's times do not.
void flip_byte(const fs::path& file, std::size_t offset) {
    const auto modified = fs::last_write_time(file);
    std::string bytes = read_bytes(file);
    ASSERT_LT(offset, bytes.size());
    bytes[offset] = static_cast<char>(bytes[offset] ^ 0x5A);
    write_bytes(file, bytes);
    fs::last_write_time(file, modified);
}

std::vector<std::string> with_no_open_files(std::vector<std::string> args) {
    args.push_back("--no-open-files");
    return args;
}

// The only regular file named `name` below `root`.
fs::path find_file(const fs::path& root, const std::string& name) {
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().filename() == name) return entry.path();
    return {};
}

class CliDigest : public brim_test::CliJobs {
protected:
    CliDigest() {
        fs::create_directories(src / "sub");
        // "big" is the last file of the catalogue, so its data ends the run's data area.
        write_bytes(src / "big", random_bytes(150000, 7));
        write_bytes(src / "sub" / "small", "small file");
        write_bytes(root / "pw", "sesame\n");
    }
};

TEST_F(CliDigest, ReadDataNamesExactlyTheDamagedFileAndRunAndRestoreKeepsTheGoodFile) {
    struct Case {
        const char* job;
        const char* kind;
        std::vector<std::string> extra;
        int damaged_run;  // of two runs
    };
    const std::vector<Case> cases = {
        {"plain", "normal", {"--append"}, 1},
        {"xor", "normal", {"--append", "--cipher", "xor"}, 2},
        {"panama", "normal", {"--append", "--cipher", "panama", "--password-file", (root / "pw").string()}, 2},
        {"aes", "normal", {"--append", "--cipher", "rijndael", "--password-file", (root / "pw").string()}, 1},
        {"copies", "copy", {"--append"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.job);
        add_job(c.job, c.kind, with_no_open_files(c.extra));
        const bool copies = std::string(c.kind) == "copy";
        const fs::path set = dest / (std::string(c.job) + (copies ? ".bvd" : ".bvf"));
        run(c.job);
        const std::size_t first_run_end = fs::file_size(set);
        run(c.job);
        ASSERT_TRUE(fs::exists(set.string() + ".bvh"));

        const auto clean = cli({"check", c.job, "--read-data"});
        EXPECT_EQ(clean.status, 0) << clean.output;
        EXPECT_NE(clean.output.find("0 damaged, 0 without a digest"), std::string::npos) << clean.output;

        if (copies) {
            // The copy of "big" the second run made.
            std::vector<fs::path> roots;
            for (const auto& entry : fs::directory_iterator(dest))
                if (entry.is_directory()) roots.push_back(entry.path());
            std::sort(roots.begin(), roots.end());
            ASSERT_EQ(roots.size(), 2u);
            flip_byte(find_file(roots[1], "big"), 1000);
        } else {
            // A byte of "big" in the run's data, before its end marker and the trailer.
            const std::size_t run_end = c.damaged_run == 1 ? first_run_end : fs::file_size(set);
            flip_byte(set, run_end - 8 - 2 - 5000);
        }
        const auto found = cli({"check", c.job, "--read-data"});
        EXPECT_EQ(found.status, 1) << found.output;
        const std::string named = "damaged: " + (src / "big").string() + "  (run " + std::to_string(c.damaged_run) + " ";
        EXPECT_NE(found.output.find(named), std::string::npos) << found.output;
        EXPECT_EQ(found.output.find("small"), std::string::npos) << found.output;
        EXPECT_NE(found.output.find("1 damaged"), std::string::npos) << found.output;
        EXPECT_NE(cli({"log", "--last", "5"}).output.find("has been damaged"), std::string::npos);

        // The damaged run's file never replaces a good one at its target.
        const fs::path target = root / (std::string("restored-") + c.job);
        fs::create_directories(target / "src");
        write_bytes(target / "src" / "big", "the good file");
        const auto restored = cli({"restore", c.job, "--to", target.string(), "--run", std::to_string(c.damaged_run),
                                   "--existing", "replace", "--quiet"});
        EXPECT_EQ(restored.status, 1) << restored.output;
        EXPECT_NE(restored.output.find("big"), std::string::npos) << restored.output;
        EXPECT_NE(restored.output.find("does not match its digest"), std::string::npos) << restored.output;
        EXPECT_EQ(read_bytes(target / "src" / "big"), "the good file");
        EXPECT_EQ(read_bytes(target / "src" / "sub" / "small"), "small file");
    }
}

TEST_F(CliDigest, ASetWithoutDigestsWorksAsBeforeAndGetsThemForNewRuns) {
    add_job("old", "normal", {"--append", "--no-open-files"});
    run("old");
    const fs::path digests = dest / "old.bvf.bvh";
    fs::remove(digests);  // as a build before digests left it

    const auto unknown = cli({"check", "old", "--read-data"});
    EXPECT_EQ(unknown.status, 0) << unknown.output;
    EXPECT_NE(unknown.output.find("0 files of the backup set"), std::string::npos) << unknown.output;
    EXPECT_NE(unknown.output.find("2 without a digest"), std::string::npos) << unknown.output;
    const fs::path target = root / "back";
    const auto restored = cli({"restore", "old", "--to", target.string(), "--quiet"});
    EXPECT_EQ(restored.status, 0) << restored.output;
    EXPECT_EQ(read_bytes(target / "src" / "big"), read_bytes(src / "big"));

    run("old");
    EXPECT_TRUE(fs::exists(digests));
    const auto both = cli({"check", "old", "--read-data"});
    EXPECT_EQ(both.status, 0) << both.output;
    EXPECT_NE(both.output.find("2 files of the backup set"), std::string::npos) << both.output;
    EXPECT_NE(both.output.find("2 without a digest"), std::string::npos) << both.output;
    EXPECT_EQ(cli({"list", "old", "--runs-only"}).status, 0);

    // A share of the files: never more than there are; a share out of range is refused.
    const auto some = cli({"check", "old", "--read-data-subset", "50%"});
    EXPECT_EQ(some.status, 0) << some.output;
    EXPECT_EQ(cli({"check", "old", "--read-data-subset", "0%"}).status, 64);
    EXPECT_EQ(cli({"check", "old", "--read-data-subset", "101"}).status, 64);
}

}  // namespace

namespace {

// Ctrl-C ends a long check of the data; it says so and how far it came.
TEST_F(CliDigest, ACheckOfTheDataStopsOnCtrlCAndSaysSo) {
    fs::create_directories(src / "many");
    // Each file larger than a chunk, so that each takes reads of its own.
    for (int i = 0; i < 200; ++i) write_bytes(src / "many" / ("f" + std::to_string(i)), random_bytes(70000, i));
    add_job("Many", "normal");
    run("Many");
    // Every read is slow now, so the check is still going when asked to stop.
    home.set("BRIMVAULT_FAULTS", "read:1+:SLOW");
    brim_test::BackgroundCli check(BRIM_CLI, {"check", "Many", "--read-data"}, (root / "check.out").string());
    ::usleep(1500000);
    check.signal(SIGINT);
    const auto ended = check.wait(60);
    EXPECT_EQ(ended.status, 2) << ended.output;
    EXPECT_NE(ended.output.find("The check of the data was stopped"), std::string::npos) << ended.output;
    EXPECT_EQ(ended.output.find("damaged:"), std::string::npos) << ended.output;
}

}  // namespace
