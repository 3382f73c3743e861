// A run killed (SIGKILL) while it appends to a set of three runs, at many
// moments of the run: the three earlier runs still restore byte for byte,
// and the next run works on the repaired set.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

std::string random_bytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::mt19937 random(seed);
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

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
    brim_test::CliResult cli(std::vector<std::string> args) { return brim_test::run_cli(BRIM_CLI, args); }

    // Starts `run JOB` and kills it once the set has grown by `grow` bytes;
    // true when it was killed before it ended by itself.
    bool run_and_kill(const fs::path& set, std::uintmax_t grow) {
        const std::uintmax_t start = fs::file_size(set);
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl(BRIM_CLI, BRIM_CLI, "run", "kept", "--quiet", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        for (;;) {
            if (::waitpid(child, &status, WNOHANG) == child) return false;
            std::error_code ignored;
            if (fs::file_size(set, ignored) >= start + grow) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
};

TEST_F(CliCrash, AKilledAppendLeavesTheEarlierRunsWhole) {
    const fs::path src = home.dir().path() / "src";
    const fs::path set = home.dir().path() / "dest" / "kept.bvf";
    fs::create_directories(src / "sub");
    write_bytes(src / "big", random_bytes(24 << 20, 1));
    write_bytes(src / "sub" / "small", "small");
    ASSERT_EQ(cli({"job", "add", "kept", "--kind", "normal", "--append", "--cipher", "rijndael", "--dest",
                   (home.dir().path() / "dest").string(), "--dir", src.string()})
                  .status,
              0);
    std::vector<std::map<std::string, std::string>> runs;
    for (unsigned k = 0; k < 3; ++k) {
        write_bytes(src / "sub" / "small", "version " + std::to_string(k));
        ASSERT_EQ(cli({"run", "kept", "--quiet"}).status, 0);
        runs.push_back(tree(src));
    }
    const std::uintmax_t run_size = fs::file_size(set) / 3;
    write_bytes(src / "sub" / "small", "the killed run's version");

    int restored_runs = 3;
    for (double share : {0.0, 0.02, 0.2, 0.45, 0.7, 0.95, 0.999}) {
        const bool killed = run_and_kill(set, static_cast<std::uintmax_t>(share * static_cast<double>(run_size)) + 1);
        if (!killed) {
            runs.push_back(tree(src));  // it finished first: its run counts too
            ++restored_runs;
        }
        for (int k = 1; k <= restored_runs; ++k) {
            const fs::path out = home.dir().path() / ("restored-" + std::to_string(k));
            fs::remove_all(out);
            const auto restored = cli({"restore", "kept", "--run", std::to_string(k), "--to", out.string(),
                                       "--keep-structure", "--quiet"});
            ASSERT_EQ(restored.status, 0) << "after a kill at " << share << " of a run, run " << k << ": "
                                          << restored.output;
            EXPECT_EQ(tree(out / src.relative_path()), runs[static_cast<std::size_t>(k - 1)])
                << "run " << k << " after a kill at " << share;
        }
    }
    // The next run appends to the repaired set.
    const auto after = cli({"run", "kept", "--quiet"});
    EXPECT_EQ(after.status, 0) << after.output;
    const auto list = cli({"list", "kept", "--runs-only"});
    EXPECT_NE(list.output.find("run " + std::to_string(restored_runs + 1) + " "), std::string::npos) << list.output;
}

// A run that replaces the set, killed before, while and after it writes the
// new one: the job's set is always either the old set or the new one whole,
// and the next run settles what the kill left.
TEST_F(CliCrash, AKilledReplacementLeavesTheOldSetOrTheNewOneWhole) {
    const fs::path src = home.dir().path() / "src";
    const fs::path dest = home.dir().path() / "dest";
    const fs::path set = dest / "kept.bvf";
    const fs::path aside = dest / "kept.bvf~old";
    fs::create_directories(src / "sub");
    write_bytes(src / "big", random_bytes(16 << 20, 2));
    ASSERT_EQ(cli({"job", "add", "kept", "--kind", "normal", "--cipher", "rijndael", "--dest", dest.string(), "--dir",
                   src.string()})
                  .status,
              0);
    for (double share : {0.0, 0.3, 0.7, 0.999}) {
        write_bytes(src / "sub" / "small", "old");
        ASSERT_EQ(cli({"run", "kept", "--quiet"}).status, 0);
        const auto old_tree = tree(src);
        const std::uintmax_t size = fs::file_size(set);
        write_bytes(src / "sub" / "small", "new");
        const auto new_tree = tree(src);

        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl(BRIM_CLI, BRIM_CLI, "run", "kept", "--quiet", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        for (;;) {
            if (::waitpid(child, &status, WNOHANG) == child) break;
            std::error_code ignored;
            // The old set went aside: the new one grows under the job's name.
            if (fs::exists(aside, ignored) &&
                fs::file_size(set, ignored) >= static_cast<std::uintmax_t>(share * static_cast<double>(size))) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        const fs::path out = home.dir().path() / "restored";
        fs::remove_all(out);
        const auto restored = cli({"restore", "kept", "--to", out.string(), "--keep-structure", "--quiet"});
        ASSERT_EQ(restored.status, 0) << "after a kill at " << share << ": " << restored.output;
        const auto found = tree(out / src.relative_path());
        EXPECT_TRUE(found == old_tree || found == new_tree) << "after a kill at " << share;
        EXPECT_FALSE(fs::exists(aside)) << "after a kill at " << share;
    }
    const auto after = cli({"run", "kept", "--quiet"});
    EXPECT_EQ(after.status, 0) << after.output;
    EXPECT_EQ(std::distance(fs::directory_iterator(dest), fs::directory_iterator()), 1);
}

}  // namespace
