// Runs, restores and catalogue rewrites killed (SIGKILL) at named points
// where a crash hurts most: what counted before stays whole, a set being
// replaced is the old one or the new one, a target never holds half a file,
// and the next run works.
#include <signal.h>

#include <chrono>

#include <gtest/gtest.h>

#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"
#include "tests/support/odd_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::random_bytes;
using brim_test::read_bytes;
using brim_test::write_bytes;

// Every regular file below `root`, by its path relative to it.
std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> files;
    if (!fs::exists(root)) return files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
        if (it->is_regular_file()) files[fs::relative(it->path(), root).string()] = read_bytes(it->path());
    return files;
}

class CliCrash : public brim_test::StoreHome {
protected:
    CliCrash() {
        src = home.dir().path() / "src";
        dest = home.dir().path() / "dest";
        fs::create_directories(src / "sub");
        for (unsigned i = 0; i < 6; ++i) write_bytes(src / ("file" + std::to_string(i)), random_bytes(300000, i));
        write_bytes(src / "sub" / "small", "small");
    }
    ~CliCrash() override { ::unsetenv("BRIMVAULT_FAULTS"); }

    // Runs the program; with a crash point ("name" and its N-th pass) the
    // program is killed there.
    brim_test::CliResult cli(std::vector<std::string> args, const std::string& point = {}, int pass = 1) {
        if (!point.empty()) ::setenv("BRIMVAULT_FAULTS", ("crash:" + std::to_string(pass) + ":KILL:" + point).c_str(), 1);
        auto result = brim_test::run_cli(BRIM_CLI, args);
        ::unsetenv("BRIMVAULT_FAULTS");
        return result;
    }

    void add_job(const std::string& name, const std::string& kind, std::vector<std::string> more) {
        std::vector<std::string> args = {"job", "add", name, "--kind", kind, "--dest", dest.string(), "--dir", src.string()};
        args.insert(args.end(), more.begin(), more.end());
        const auto added = cli(args);
        ASSERT_EQ(added.status, 0) << added.output;
    }

    // The tree a restore of the job gives back (one run, or every run).
    std::map<std::string, std::string> restored(const std::string& job, int run = 0) {
        const fs::path out = home.dir().path() / ("restored-" + std::to_string(++restores_));
        std::vector<std::string> args = {"restore", job, "--to", out.string(), "--keep-structure", "--quiet"};
        if (run > 0) args.insert(args.end(), {"--run", std::to_string(run)});
        const auto result = cli(args);
        EXPECT_EQ(result.status, 0) << result.output;
        return tree(out / src.relative_path());
    }

    // The digests beside the set cover every file of the runs that count,
    // and the data matches them.
    void expect_digests_agree(const std::string& job, const std::string& at) {
        const auto checked = cli({"check", job, "--read-data"});
        EXPECT_EQ(checked.status, 0) << at << ": " << checked.output;
        EXPECT_NE(checked.output.find(" 0 damaged, 0 without a digest"), std::string::npos) << at << ": " << checked.output;
    }

    struct Point {
        const char* name;
        int pass;
    };

    fs::path src, dest;
    int restores_ = 0;
};

// Each kill lands at a named point of the run (the test asserts that the
// program died there): after a file's data, inside the trailer rewrite,
// between the data sync and the count rewrite, and just after the count.
TEST_F(CliCrash, AKilledAppendLeavesTheEarlierRunsWhole) {
    add_job("kept", "normal", {"--append", "--cipher", "rijndael"});
    std::vector<std::map<std::string, std::string>> runs;
    for (unsigned k = 0; k < 3; ++k) {
        write_bytes(src / "sub" / "small", "version " + std::to_string(k));
        ASSERT_EQ(cli({"run", "kept", "--quiet"}).status, 0);
        runs.push_back(tree(src));
    }
    const Point points[] = {{"set-file-written", 1}, {"set-file-written", 4}, {"set-trailer", 1},
                            {"set-data-synced", 1}, {"set-digests-synced", 1}, {"set-counted", 1}};
    for (const Point& point : points) {
        const std::string at = std::string(point.name) + " " + std::to_string(point.pass);
        write_bytes(src / "sub" / "small", "killed at " + at);
        const auto killed = cli({"run", "kept", "--quiet"}, point.name, point.pass);
        ASSERT_EQ(killed.signal, SIGKILL) << at << ": " << killed.output;
        // Counted before the kill: that run is whole and stays.
        if (std::string(point.name) == "set-counted") runs.push_back(tree(src));
        for (std::size_t k = 1; k <= runs.size(); ++k)
            EXPECT_TRUE(restored("kept", static_cast<int>(k)) == runs[k - 1]) << "run " << k << " after a kill at " << at;
        expect_digests_agree("kept", at);
    }
    const auto after = cli({"run", "kept", "--quiet"});
    EXPECT_EQ(after.status, 0) << after.output;
    expect_digests_agree("kept", "the run after the kills");
    const auto list = cli({"list", "kept", "--runs-only"});
    EXPECT_NE(list.output.find("run " + std::to_string(runs.size() + 1) + " "), std::string::npos) << list.output;
}

// A run that replaces the set, killed before, while and after it writes the
// new one: the job's set is always either the old set or the new one whole,
// readers in between see the old set until the new one counts, and the
// next run settles what the kill left.
TEST_F(CliCrash, AKilledReplacementLeavesTheOldSetOrTheNewOneWhole) {
    add_job("kept", "normal", {"--cipher", "rijndael"});
    const struct {
        Point point;
        bool new_set_stays;
    } cases[] = {{{"set-moved-aside", 1}, false},  {{"set-file-written", 2}, false}, {{"set-data-synced", 1}, false},
                 {{"set-digests-synced", 1}, false}, {{"set-counted", 1}, true}, {{"set-deleting-old", 1}, true}};
    for (const auto& c : cases) {
        write_bytes(src / "sub" / "small", "old");
        ASSERT_EQ(cli({"run", "kept", "--quiet"}).status, 0);
        const auto old_tree = tree(src);
        write_bytes(src / "sub" / "small", "new");
        const auto new_tree = tree(src);
        const auto killed = cli({"run", "kept", "--quiet"}, c.point.name, c.point.pass);
        ASSERT_EQ(killed.signal, SIGKILL) << c.point.name << ": " << killed.output;
        EXPECT_TRUE(restored("kept") == (c.new_set_stays ? new_tree : old_tree)) << "after a kill at " << c.point.name;
        expect_digests_agree("kept", c.point.name);
    }
    EXPECT_EQ(cli({"run", "kept", "--quiet"}).status, 0);
    EXPECT_FALSE(fs::exists(dest / "kept.bvf~old"));
    EXPECT_FALSE(fs::exists(dest / "kept.bvf~old.bvh"));
    expect_digests_agree("kept", "the run after the kills");
    EXPECT_TRUE(restored("kept") == tree(src));
}

// A restore killed half-way through a file: the file at the target is the
// one that was there before, never a part of the set's copy.
TEST_F(CliCrash, AKilledRestoreNeverLeavesAHalfFileAtItsTarget) {
    add_job("kept", "normal", {"--cipher", "rijndael"});
    ASSERT_EQ(cli({"run", "kept", "--quiet"}).status, 0);
    const fs::path out = home.dir().path() / "out";
    const fs::path target = out / src.relative_path() / "file3";
    fs::create_directories(target.parent_path());
    write_bytes(target, "the user's own edit");
    // The file of five chunks alone, killed after its second chunk.
    const std::vector<std::string> args = {"restore",          "kept",     (src / "file3").string(), "--to",
                                           out.string(),       "--keep-structure", "--existing",      "replace",
                                           "--quiet"};
    const auto killed = cli(args, "restore-chunk-written", 2);
    ASSERT_EQ(killed.signal, SIGKILL) << killed.output;
    EXPECT_EQ(read_bytes(target), "the user's own edit");
    for (const auto& entry : fs::directory_iterator(target.parent_path())) {
        // Nothing else but the killed restore's hidden temporary file.
        const bool hidden_temporary = entry.path().filename().string().rfind(".brimvault-restore-", 0) == 0;
        EXPECT_TRUE(entry.path() == target || hidden_temporary) << entry.path();
    }
    const auto again = cli(args);
    EXPECT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(read_bytes(target), read_bytes(src / "file3"));
}

// merge_copy killed after its catalogue was written beside the old one and
// before it replaced it: the set reads, and the next run goes on from it.
TEST_F(CliCrash, AKilledMergeCatalogueRewriteKeepsTheSetReadable) {
    add_job("merged", "merge_copy", {});
    ASSERT_EQ(cli({"run", "merged", "--quiet"}).status, 0);
    write_bytes(src / "sub" / "small", "changed");
    fs::last_write_time(src / "sub" / "small", fs::file_time_type::clock::now() + std::chrono::minutes(1));
    const auto killed = cli({"run", "merged", "--quiet"}, "merge-catalogue-written");
    ASSERT_EQ(killed.signal, SIGKILL) << killed.output;
    const auto listed = cli({"list", "merged"});
    EXPECT_EQ(listed.status, 0) << listed.output;
    // The copy the killed run replaced is not judged by the old catalogue's digest.
    const auto checked = cli({"check", "merged", "--read-data"});
    EXPECT_EQ(checked.status, 0) << checked.output;
    EXPECT_NE(checked.output.find(" 0 damaged, 1 without a digest"), std::string::npos) << checked.output;
    EXPECT_EQ(cli({"run", "merged", "--quiet"}).status, 0);
    EXPECT_TRUE(restored("merged") == tree(src));
    expect_digests_agree("merged", "the run after the kill");
}

}  // namespace
