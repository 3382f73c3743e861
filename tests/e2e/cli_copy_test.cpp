// The copy kinds and directory_copy driven through brimvault-cli on real
// trees.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/platform/os_system.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_layout.h"
#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_tree.h"
#include "tests/support/set_contents.h"

namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::folders_in;
using brim_test::tree_of;
using brim_test::write_bytes;

class CliCopy : public brim_test::StoreHome {
protected:
    CliCopy() {
        src = home.dir().path() / "src";
        dest = home.dir().path() / "dest";
        fs::create_directories(src / "with space");
        write_bytes(src / "caf\xC3\xA9.txt", "non-ASCII");
        write_bytes(src / "with space" / "big", std::string(200000, 'b'));
        write_bytes(src / "private", "0600");
        ::chmod((src / "private").c_str(), 0600);
        ::symlink("with space/big", (src / "link").c_str());
    }

    brim_test::CliResult cli(std::vector<std::string> args) { return brim_test::run_cli(BRIM_CLI, args); }

    void add_job(const std::string& name, const std::string& kind, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"job", "add", name, "--kind", kind, "--dest", dest.string(), "--dir", src.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto added = cli(args);
        ASSERT_EQ(added.status, 0) << added.output;
    }

    void touch(const std::string& name, const std::string& bytes, int seconds) {
        write_bytes(src / name, bytes);
        fs::last_write_time(src / name, fs::last_write_time(src / name) + std::chrono::seconds(seconds));
    }

    fs::path kept_location(const fs::path& root) const {
        return root / bk::to_ansi(bk::os::host_name()) / src.relative_path();
    }

    brim::archive::SetLayout layout(const std::string& name) {
        auto read = brim::archive::read_set_layout(wide(dest / (name + ".bvd")), true, true, 1);
        EXPECT_EQ(read.error, brim::archive::LayoutError::none);
        return std::move(read.layout);
    }

    fs::path src, dest;
};

TEST_F(CliCopy, AnIncrementCopyChainMakesAFolderPerChangeAndNoneWithoutOne) {
    add_job("chain", "increment_copy", {"--append", "--verify"});
    const auto first = cli({"run", "chain"});
    ASSERT_EQ(first.status, 0) << first.output;
    ASSERT_EQ(folders_in(dest).size(), 1u);
    EXPECT_EQ(tree_of(kept_location(folders_in(dest)[0])), tree_of(src));
    struct stat copied {};
    ASSERT_EQ(::stat((kept_location(folders_in(dest)[0]) / "private").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mode & 07777, 0600u);

    touch("caf\xC3\xA9.txt", "changed", 5);
    ASSERT_EQ(cli({"run", "chain"}).status, 0);
    const auto roots = folders_in(dest);
    ASSERT_EQ(roots.size(), 2u);
    const auto set = layout("chain");
    ASSERT_EQ(set.runs.size(), 2u);
    const fs::path newest = dest / bk::to_ansi(set.runs[1].header.copy_root);
    EXPECT_EQ(tree_of(kept_location(newest)),
              (std::map<std::string, std::string>{{"caf\xC3\xA9.txt", "changed"}}));

    const auto unchanged = cli({"run", "chain"});
    EXPECT_EQ(unchanged.status, 0) << unchanged.output;
    EXPECT_EQ(folders_in(dest).size(), 2u);
}

TEST_F(CliCopy, MergeCopyKeepsOneFolderEqualToTheSources) {
    add_job("mirror", "merge_copy");
    ASSERT_EQ(cli({"run", "mirror"}).status, 0);
    touch("with space/big", std::string(70000, 'c'), 5);
    write_bytes(src / "added", "added");
    ASSERT_EQ(cli({"run", "mirror"}).status, 0);
    ASSERT_EQ(cli({"run", "mirror"}).status, 0);
    const auto roots = folders_in(dest);
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(tree_of(roots[0] / "src"), tree_of(src));
    const auto set = layout("mirror");
    ASSERT_EQ(set.runs.size(), 1u);
    EXPECT_EQ(set.runs[0].header.file_count, 5u);
}

TEST_F(CliCopy, DirectoryCopyKeepsExistingFilesWhenNobodyCanBeAsked) {
    fs::create_directories(dest / "src");
    write_bytes(dest / "src" / "private", "existing");
    add_job("dircopy", "directory_copy", {"--existing", "ask"});
    const auto ran = cli({"run", "dircopy"});
    EXPECT_EQ(ran.status, 0) << ran.output;
    EXPECT_EQ(read_bytes(dest / "src" / "private"), "existing");
    EXPECT_EQ(read_bytes(dest / "src" / "with space" / "big"), read_bytes(src / "with space" / "big"));
    EXPECT_FALSE(fs::exists(dest / "dircopy.bvd"));
}

TEST_F(CliCopy, DirectoryCopyDeletesSourcesOnlyWhenAskedAndOnlyWhatWasCopied) {
    fs::create_directories(dest / "src");
    write_bytes(dest / "src" / "private", "existing");
    add_job("move", "directory_copy", {"--existing", "keep", "--verify"});
    EXPECT_EQ(cli({"run", "move", "--delete-sources"}).status, 0);
    EXPECT_EQ(read_bytes(dest / "src" / "with space" / "big"), std::string(200000, 'b'));
    EXPECT_FALSE(fs::exists(src / "with space" / "big"));  // copied, then deleted
    EXPECT_TRUE(fs::exists(src / "private"));               // kept at the target, so kept here too
    add_job("archive", "normal");
    EXPECT_EQ(cli({"run", "archive", "--delete-sources"}).status, 64);  // only directory_copy moves files
}

}  // namespace
