// What a run must never cost the user, tried through brimvault-cli: an
// ordinary user backs up what others own, a replaced set survives a run that
// finds nothing or fails, files that failed are taken again, mirrors stay one
// level deep, a full disk leaves nothing behind, and one path past the
// system's limit costs one warning.
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "basekit/platform/os_system.h"
#include "core/archive/set_layout.h"
#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_tree.h"
#include "tests/support/odd_tree.h"
#include "tests/support/set_contents.h"

namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::tree_of;
using brim_test::write_bytes;

class CliDataSafety : public brim_test::StoreHome {
protected:
    CliDataSafety() {
        src = home.dir().path() / "src";
        fs::create_directories(src / "sub");
        for (int i = 0; i < 4; ++i) write_bytes(src / "sub" / ("f" + std::to_string(i)), std::string(70000 + i, 'a' + i));
        write_bytes(src / "top.txt", "top");
        dest = home.dir().path() / "dest";
    }
    ~CliDataSafety() override { ::unsetenv("BRIMVAULT_FAULTS"); }

    brim_test::CliResult cli(std::vector<std::string> args, const std::string& faults = {}) {
        if (!faults.empty()) ::setenv("BRIMVAULT_FAULTS", faults.c_str(), 1);
        auto result = brim_test::run_cli(BRIM_CLI, args);
        ::unsetenv("BRIMVAULT_FAULTS");
        return result;
    }

    void add_job(const std::string& name, const std::string& kind, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"job", "add", name, "--kind", kind, "--dest", dest.string(), "--dir", src.string()};
        args.insert(args.end(), more.begin(), more.end());
        const auto added = cli(args);
        ASSERT_EQ(added.status, 0) << added.output;
    }

    // Restores every run of the job under a fresh folder; the tree found
    // there below the source's own path.
    std::map<std::string, std::string> restored(const std::string& job) {
        const fs::path out = home.dir().path() / ("out-" + std::to_string(++restores_));
        const auto ran = cli({"restore", job, "--to", out.string(), "--keep-structure", "--quiet"});
        EXPECT_EQ(ran.status, 0) << ran.output;
        return tree_of(out / src.relative_path());
    }

    fs::path src, dest;
    int restores_ = 0;
};

TEST_F(CliDataSafety, ANormalJobWhoseSourceIsGoneKeepsItsSet) {
    for (const std::string kind : {"normal", "copy"}) {
        add_job(kind, kind);
        ASSERT_EQ(cli({"run", kind}).status, 0);
    }
    const auto before = tree_of(src);
    fs::rename(src, home.dir().path() / "unmounted");
    for (const std::string kind : {"normal", "copy"}) {
        const auto ran = cli({"run", kind});
        EXPECT_EQ(ran.status, 1) << kind << ran.output;  // warnings: nothing to back up
    }
    fs::rename(home.dir().path() / "unmounted", src);
    EXPECT_TRUE(restored("normal") == before);
    EXPECT_TRUE(restored("copy") == before);
}

TEST_F(CliDataSafety, AReplacingRunThatFailsKeepsTheOldSetAndLeavesNoNewOne) {
    add_job("job", "normal");
    ASSERT_EQ(cli({"run", "job"}).status, 0);
    const auto before = tree_of(src);
    write_bytes(src / "sub" / "f0", std::string(90000, 'z'));
    const auto failed = cli({"run", "job"}, "write:3+:ENOSPC");
    EXPECT_EQ(failed.status, 4) << failed.output;
    EXPECT_TRUE(restored("job") == before);
    EXPECT_FALSE(fs::exists(dest / "job.bvf~old"));
    const auto after = cli({"run", "job"});
    EXPECT_EQ(after.status, 0) << after.output;
    EXPECT_TRUE(restored("job") == tree_of(src));
    EXPECT_EQ(brim_test::folders_in(dest).size(), 0u);
    // job.bvf and its digests alone
    EXPECT_EQ(std::distance(fs::directory_iterator(dest), fs::directory_iterator()), 2);
    EXPECT_TRUE(fs::exists(dest / "job.bvf.bvh"));
}

TEST_F(CliDataSafety, AFileThatFailedIsTakenAgainByTheNextIncrement) {
    add_job("job", "increment", {"--append", "--no-open-files"});
    const auto first = cli({"run", "job"}, "read:1:EIO:sub/f2");
    EXPECT_EQ(first.status, 1) << first.output;
    const auto second = cli({"run", "job"});
    EXPECT_EQ(second.status, 0) << second.output;
    EXPECT_NE(second.output.find("1 of 1 files"), std::string::npos) << second.output;
    EXPECT_TRUE(restored("job") == tree_of(src));  // f2 from run 2, the rest from run 1
}

TEST_F(CliDataSafety, AFreeSpaceQueryThatFailsIsRetriedThenReportedAsItself) {
    add_job("job", "normal", {"--retry", "1", "--retry-interval", "5"});
    const auto once = cli({"run", "job"}, "volume:1:ENETUNREACH");
    EXPECT_EQ(once.status, 0) << once.output;
    const auto always = cli({"run", "job"}, "volume:1+:ENETUNREACH");
    EXPECT_EQ(always.status, 4) << always.output;  // aborted
    EXPECT_NE(always.output.find(dest.string() + ": Network is unreachable"), std::string::npos) << always.output;
    EXPECT_EQ(always.output.find("not enough"), std::string::npos) << always.output;
    EXPECT_TRUE(restored("job") == tree_of(src));  // the set of the first run is still there
}

TEST_F(CliDataSafety, AMirrorByTimeTakesChangedSourcesAndKeepsNewerTargets) {
    add_job("mirror", "directory_copy");
    ASSERT_EQ(cli({"run", "mirror"}).status, 0);
    const fs::path copy = dest / "src";
    write_bytes(src / "top.txt", "changed at the source");
    fs::last_write_time(src / "top.txt", fs::last_write_time(copy / "top.txt") + std::chrono::hours(1));
    write_bytes(copy / "sub" / "f1", "edited in the mirror");
    fs::last_write_time(copy / "sub" / "f1", fs::last_write_time(src / "sub" / "f1") + std::chrono::hours(1));
    const auto ran = cli({"run", "mirror"});
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_EQ(read_bytes(copy / "top.txt"), "changed at the source");
    EXPECT_EQ(read_bytes(copy / "sub" / "f1"), "edited in the mirror");
    EXPECT_NE(cli({"job", "show", "mirror"}).output.find("by-time"), std::string::npos);
}

TEST_F(CliDataSafety, AMirrorOrMergeInsideItsSourceStaysOneLevelDeep) {
    dest = src / "bk";
    for (const std::string kind : {"directory_copy", "merge_copy", "normal"}) add_job(kind, kind, {"--existing", "replace"});
    for (int run = 0; run < 3; ++run)
        for (const std::string kind : {"directory_copy", "merge_copy", "normal"}) {
            const auto ran = cli({"run", kind});
            EXPECT_LE(ran.status, 1) << kind << ran.output;
        }
    EXPECT_FALSE(fs::exists(dest / "src" / "bk"));  // the mirror holds the sources, not itself
    // Nor does any copy root or set: no path below holds the folder twice.
    for (const auto& entry : fs::recursive_directory_iterator(dest))
        EXPECT_EQ(entry.path().string().find("/bk/"), entry.path().string().rfind("/bk/")) << entry.path();
}

TEST_F(CliDataSafety, OnePathPastTheSystemsLimitCostsOneWarning) {
    // A source folder deep enough that its copy under the destination, the
    // computer's name and the source's own path passes the limit of a path.
    fs::path deep = src / "deep";
    while (deep.string().size() < 4000) deep /= std::string(200, 'd');
    fs::create_directories(deep);
    write_bytes(deep / "x", "far down");
    // A name as long as a name may be is copied all the same.
    const std::string longest(255, 'n');
    write_bytes(src / longest, "long name");
    add_job("job", "copy");
    const auto ran = cli({"run", "job"});
    EXPECT_EQ(ran.status, 1) << ran.output.substr(0, 2000);
    EXPECT_NE(ran.output.find("File name too long"), std::string::npos);
    EXPECT_NE(ran.output.find("6 of 7 files"), std::string::npos) << ran.output.substr(0, 2000);
    const auto roots = brim_test::folders_in(dest);
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(read_bytes(roots[0] / bk::to_ansi(bk::os::host_name()) / src.relative_path() / longest), "long name");
}

// A disk that fills up during a run: the failed run leaves nothing of its
// own behind (a new set is gone, an appended set is cut back), so once room
// is made the next run works without anyone deleting files.
TEST_F(CliDataSafety, ARunThatFillsTheDiskLeavesNothingBehind) {
    add_job("fresh", "normal");
    add_job("grown", "normal", {"--append"});
    ASSERT_EQ(cli({"run", "grown"}).status, 0);
    const auto grown_size = fs::file_size(dest / "grown.bvf");
    for (const std::string job : {"fresh", "grown"}) {
        const auto full = cli({"run", job}, "write:3+:ENOSPC");
        EXPECT_EQ(full.status, 4) << job << full.output;
    }
    EXPECT_FALSE(fs::exists(dest / "fresh.bvf"));
    EXPECT_FALSE(fs::exists(dest / "fresh.bvf.bvh"));
    // The disk stays full in this test, so the trailer may wait for the next run.
    EXPECT_LE(fs::file_size(dest / "grown.bvf"), grown_size);
    const auto grown = brim::archive::read_set_layout(wide(dest / "grown.bvf"), false, false, 1);
    EXPECT_EQ(grown.layout.run_count(), 1u);
    for (const std::string job : {"fresh", "grown"}) {
        const auto checked = cli({"check", job});
        EXPECT_EQ(checked.status, 0) << job << checked.output;
        const auto ran = cli({"run", job});
        EXPECT_EQ(ran.status, 0) << job << ran.output;
        EXPECT_TRUE(restored(job) == tree_of(src)) << job;
    }
    // the two sets and their digests alone
    EXPECT_EQ(std::distance(fs::directory_iterator(dest), fs::directory_iterator()), 4);
}

// A destination too small for two sets: the old set goes first, with a
// warning, when the new one then fits; when it would not fit even then,
// nothing is touched. A real small file system, as only root can make one.
TEST_F(CliDataSafety, ADestinationWithoutRoomForBothSetsKeepsTheOldOneUnlessTheNewOneFits) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    fs::create_directories(dest);
    if (::mount("tmpfs", dest.c_str(), "tmpfs", 0, "size=4m") != 0) GTEST_SKIP() << "tmpfs cannot be mounted here";
    struct Unmount {
        fs::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{dest};
    fs::remove_all(src);
    fs::create_directories(src);
    write_bytes(src / "big", brim_test::random_bytes(2 << 20, 1));
    add_job("job", "normal");
    ASSERT_EQ(cli({"run", "job"}).status, 0);

    write_bytes(src / "big", brim_test::random_bytes(2 << 20, 2));  // 2 MiB more, with 2 MiB free
    const auto first = cli({"run", "job"});
    EXPECT_EQ(first.status, 1) << first.output;
    EXPECT_NE(first.output.find("no room for both"), std::string::npos) << first.output;
    EXPECT_TRUE(restored("job") == tree_of(src));

    const auto before = tree_of(src);
    write_bytes(src / "big", brim_test::random_bytes(7 << 19, 3));  // 3.5 MiB: never fits
    const auto refused = cli({"run", "job"});
    EXPECT_EQ(refused.status, 4) << refused.output;
    EXPECT_NE(refused.output.find("not enough"), std::string::npos) << refused.output;
    EXPECT_TRUE(restored("job") == before);
}

// CI runs as root, which reads everything; people do not. An ordinary user
// backs up and restores a tree that another user owns, with every kind.
TEST_F(CliDataSafety, AnOrdinaryUserBacksUpFilesOthersOwn) {
    if (::geteuid() != 0) GTEST_SKIP() << "switching to another user needs root";
    const fs::path user = home.dir().path() / "user";
    fs::permissions(home.dir().path(), fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    fs::create_directories(user / "home");
    ASSERT_EQ(::chown(user.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown((user / "home").c_str(), 65534, 65534), 0);
    dest = user / "dest";
    const std::vector<std::string> as_nobody = {
        "--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/env",
        "BRIMVAULT_HOME=" + (user / "data").string(), "HOME=" + (user / "home").string(),
        "XDG_CONFIG_HOME=" + (user / "home" / ".config").string(),
        "XDG_DATA_HOME=" + (user / "home" / ".local").string(), BRIM_CLI};
    auto nobody = [&](std::vector<std::string> args) {
        args.insert(args.begin(), as_nobody.begin(), as_nobody.end());
        return brim_test::run_cli("/usr/bin/setpriv", args);
    };
    const std::vector<std::string> kinds = {"normal", "increment", "copy", "increment_copy", "merge_copy",
                                            "directory_copy"};
    for (const auto& kind : kinds) {
        const auto added = nobody({"job", "add", kind, "--kind", kind, "--dest", (dest / kind).string(), "--dir",
                                   src.string(), "--append", "--existing", "replace"});
        ASSERT_EQ(added.status, 0) << added.output;
        const auto first = nobody({"run", kind});
        EXPECT_EQ(first.status, 0) << kind << first.output;
    }
    write_bytes(src / "sub" / "f3", "changed by its owner");
    fs::last_write_time(src / "sub" / "f3", fs::file_time_type::clock::now() + std::chrono::minutes(5));
    for (const auto& kind : kinds) {
        const auto second = nobody({"run", kind});
        EXPECT_EQ(second.status, 0) << kind << second.output;
        EXPECT_EQ(second.output.find("Operation not permitted"), std::string::npos) << kind << second.output;
        if (kind == "directory_copy") {
            EXPECT_TRUE(tree_of(dest / kind / "src") == tree_of(src)) << kind;
            continue;
        }
        const fs::path out = user / ("out-" + kind);
        const auto back = nobody({"restore", kind, "--to", out.string(), "--keep-structure", "--quiet"});
        EXPECT_EQ(back.status, 0) << kind << back.output;
        EXPECT_TRUE(tree_of(out / src.relative_path()) == tree_of(src)) << kind;
    }
}

}  // namespace
