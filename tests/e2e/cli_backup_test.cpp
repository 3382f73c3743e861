// Backups driven through brimvault-cli on real trees, checked with the
// reading side of the archive format.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/archive/set_layout.h"
#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"
#include "tests/support/odd_tree.h"
#include "tests/support/set_contents.h"

namespace {

using brim_test::random_bytes;
using brim_test::read_bytes;
using brim_test::write_bytes;

class CliBackup : public brim_test::StoreHome {
protected:
    CliBackup() {
        src = home.dir().path() / "src";
        dest = home.dir().path() / "dest";
        brim_test::write_odd_tree(src, 50 * 1024 * 1024);
        write_bytes(home.dir().path() / "pw", "s\xC3\xA9same\n");
    }

    brim_test::CliResult cli(std::vector<std::string> args) { return brim_test::run_cli(BRIM_CLI, args); }

    void add_job(const std::string& name, const std::string& kind, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"job", "add", name, "--kind", kind, "--dest", dest.string(), "--dir", src.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto added = cli(args);
        ASSERT_EQ(added.status, 0) << added.output;
    }

    brim::archive::SetLayout layout(const std::string& name) {
        auto read = brim::archive::read_set_layout(wide(dest / (name + ".bvf")), false, true, 1);
        EXPECT_EQ(read.error, brim::archive::LayoutError::none);
        return std::move(read.layout);
    }

    // What the source tree holds, as the set should: files and links (a link
    // as its target text).
    std::map<bk::String, std::string> source_files() const {
        std::map<bk::String, std::string> files;
        for (auto it = std::filesystem::recursive_directory_iterator(src); it != std::filesystem::recursive_directory_iterator(); ++it) {
            const auto& path = it->path();
            if (it->is_symlink()) files[wide(path)] = std::filesystem::read_symlink(path).string();
            else if (it->is_regular_file()) files[wide(path)] = read_bytes(path);
        }
        return files;
    }

    std::filesystem::path src, dest;
};

TEST_F(CliBackup, NormalRunsForEachCipherWithAndWithoutPassword) {
    struct Case {
        std::string name;
        std::vector<std::string> options;
        bk::String password;
    };
    const std::string pw = (home.dir().path() / "pw").string();
    const Case cases[] = {
        {"plain", {}, u""},
        {"xor", {"--cipher", "xor"}, u""},
        {"panama-pw", {"--cipher", "panama", "--password-file", pw}, u"s\u00E9same"},
        {"rijndael-pw", {"--cipher", "rijndael", "--password-file", pw, "--verify"}, u"s\u00E9same"},
        {"password-only", {"--password-file", pw}, u"s\u00E9same"},
    };
    for (const auto& c : cases) {
        add_job(c.name, "normal", c.options);
        const auto ran = cli({"run", c.name});
        EXPECT_EQ(ran.status, 0) << ran.output;
        EXPECT_NE(ran.output.find("Result: Successful"), std::string::npos) << ran.output;
        const auto set = layout(c.name);
        ASSERT_EQ(set.runs.size(), 1u);
        EXPECT_EQ(brim_test::run_contents(set, set.runs[0], c.password), source_files()) << c.name;
        // Modes and links are recorded.
        brim::archive::for_each_file(*set.runs[0].root, [&](const brim::DataHeader& item) {
            if (item.name() == u"private") {
                EXPECT_EQ(item.posix_mode, 0100600u);
            }
            if (item.name() == u"link") {
                EXPECT_EQ(item.posix_mode & 0170000, 0120000u);
            }
        });
    }
}

TEST_F(CliBackup, AnIncrementChainHoldsTheChangedFilesAndATriggerMakesAFullRun) {
    add_job("chain", "increment", {"--append", "--full-every", "3"});
    ASSERT_EQ(cli({"run", "chain"}).status, 0);
    write_bytes(src / "with space" / "64k+1", random_bytes(65537, 9));
    write_bytes(src / "added", "added");
    std::filesystem::remove(src / "empty");
    ASSERT_EQ(cli({"run", "chain"}).status, 0);
    const auto set = layout("chain");
    ASSERT_EQ(set.runs.size(), 2u);
    const auto changed = brim_test::run_contents(set, set.runs[1], u"");
    std::vector<bk::String> paths;
    for (const auto& entry : changed) paths.push_back(entry.first);
    EXPECT_EQ(paths, (std::vector<bk::String>{wide(src / "added"), wide(src / "with space" / "64k+1")}));

    write_bytes(src / "added", "changed again");
    ASSERT_EQ(cli({"run", "chain"}).status, 0);
    const auto full = cli({"run", "chain"});  // the set holds three runs: this one is full
    EXPECT_EQ(full.status, 1) << full.output;
    EXPECT_NE(full.output.find("Replaced backed-up data with fully backup."), std::string::npos);
    EXPECT_EQ(layout("chain").runs.size(), 1u);
}

// A difference job would report "Successful" having written nothing: it
// is neither made nor run, also when it comes in from an exported file.
TEST_F(CliBackup, ADifferenceJobIsRefusedRatherThanReportedAsBackedUp) {
    const auto added = cli({"job", "add", "Diff", "--kind", "difference", "--dest", dest.string(), "--dir", src.string()});
    EXPECT_EQ(added.status, 64);
    EXPECT_NE(added.output.find("backs up nothing"), std::string::npos) << added.output;
    ASSERT_EQ(cli({"job", "add", "Diff", "--kind", "increment", "--dest", dest.string(), "--dir", src.string()}).status, 0);
    const auto exported = home.dir().path() / "jobs.xml";
    ASSERT_EQ(cli({"job", "export", exported.string()}).status, 0);
    ASSERT_EQ(cli({"job", "remove", "Diff"}).status, 0);
    std::ifstream in(exported);
    std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto at = xml.find("<backup-type>increment</backup-type>");
    ASSERT_NE(at, std::string::npos) << xml;
    xml.replace(at, std::string("<backup-type>increment</backup-type>").size(), "<backup-type>difference</backup-type>");
    std::ofstream(exported) << xml;
    ASSERT_EQ(cli({"job", "import", exported.string()}).status, 0);
    const auto ran = cli({"run", "Diff"});
    EXPECT_EQ(ran.status, 64);
    EXPECT_NE(ran.output.find("backs up nothing"), std::string::npos) << ran.output;
    EXPECT_FALSE(std::filesystem::exists(dest / "Diff.bvf"));
}

TEST_F(CliBackup, ProblemsAreWarningsOrErrorsWithTheirExitStatus) {
    // A job without sources is refused before it reaches the store.
    const auto invalid = cli({"job", "add", "nothing", "--kind", "normal", "--dest", dest.string()});
    EXPECT_EQ(invalid.status, 64) << invalid.output;
    EXPECT_NE(invalid.output.find("at least one source"), std::string::npos);

    // A missing directory is a warning and the run goes on.
    add_job("partly", "normal", {"--dir", (home.dir().path() / "gone").string()});
    const auto partly = cli({"run", "partly"});
    EXPECT_EQ(partly.status, 1) << partly.output;
    EXPECT_NE(partly.output.find("Unable to parse"), std::string::npos);
    EXPECT_EQ(layout("partly").runs.size(), 1u);

    // Sources that hold nothing to back up.
    std::filesystem::create_directories(home.dir().path() / "void");
    ASSERT_EQ(cli({"job", "add", "empty", "--kind", "normal", "--dest", dest.string(), "--file",
                   (home.dir().path() / "void" / "x.none").string(), "--include-ext", ".txt"})
                  .status,
              0);
    const auto empty = cli({"run", "empty"});
    EXPECT_EQ(empty.status, 1) << empty.output;
    EXPECT_NE(empty.output.find("No backed-up data is available on the data source."), std::string::npos);

    // The report and the log hold the runs.
    const auto report = cli({"report", "partly"});
    EXPECT_NE(report.output.find("Having warnings"), std::string::npos) << report.output;
    const auto log = cli({"log", "--last", "50"});
    EXPECT_NE(log.output.find("Executed backup operation on this job."), std::string::npos);
    EXPECT_EQ(cli({"run", "no such job"}).status, 65);
}

TEST_F(CliBackup, JobsListShowExportImportAndRemove) {
    add_job("first", "normal", {"--cipher", "rijndael", "--password-file", (home.dir().path() / "pw").string()});
    add_job("second \"quoted\" <&>", "increment", {"--exclude-ext", ".tmp,.bak"});
    const auto list = cli({"job", "list"});
    EXPECT_NE(list.output.find("second \"quoted\" <&>"), std::string::npos) << list.output;
    const auto show = cli({"job", "show", "second \"quoted\" <&>"});
    EXPECT_NE(show.output.find("never .tmp"), std::string::npos) << show.output;
    const std::string exported = (home.dir().path() / "jobs.xml").string();
    ASSERT_EQ(cli({"job", "export", exported}).status, 0);
    ASSERT_EQ(cli({"job", "remove", "first"}).status, 0);
    ASSERT_EQ(cli({"job", "remove", "second \"quoted\" <&>"}).status, 0);
    EXPECT_EQ(cli({"job", "show", "first"}).status, 65);
    const auto imported = cli({"job", "import", exported});
    EXPECT_EQ(imported.status, 0) << imported.output;
    EXPECT_NE(cli({"job", "list"}).output.find("second \"quoted\" <&>"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(CliBackup, ABurnerJobWritesAnIsoImageThatReadsBackEqual) {
    const auto tree = home.dir().path() / "disc";
    std::filesystem::create_directories(tree / "sub dir");
    write_bytes(tree / "caf\xC3\xA9.txt", "non-ASCII name");
    write_bytes(tree / "sub dir" / "data.bin", random_bytes(300000, 5));
    const auto image = home.dir().path() / "backup.iso";
    ASSERT_EQ(cli({"job", "add", "disc", "--kind", "burner", "--dest", image.string(), "--dir", tree.string(), "--verify"})
                  .status,
              0);
    const auto devices = cli({"burner", "devices"});
    EXPECT_EQ(devices.status, 0) << devices.output;
    const auto burned = cli({"run", "disc"});
    ASSERT_EQ(burned.status, 0) << burned.output;
    ASSERT_TRUE(std::filesystem::exists(image));
    const auto out = home.dir().path() / "extracted";
    const std::string extract = "osirrox -indev '" + image.string() + "' -extract / '" + out.string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(extract.c_str()), 0);
    std::map<std::string, std::string> burned_files, source_files;
    for (auto it = std::filesystem::recursive_directory_iterator(out); it != std::filesystem::recursive_directory_iterator(); ++it)
        if (it->is_regular_file()) burned_files[it->path().filename().string()] = read_bytes(it->path());
    for (auto it = std::filesystem::recursive_directory_iterator(tree); it != std::filesystem::recursive_directory_iterator(); ++it)
        if (it->is_regular_file()) source_files[it->path().filename().string()] = read_bytes(it->path());
    EXPECT_EQ(burned_files, source_files);
    EXPECT_NE(cli({"report", "disc"}).output.find("2/2 files"), std::string::npos);
}

}  // namespace
