// Disk-full and I/O errors made on purpose through the platform layer
// (BRIMVAULT_FAULTS): runs end with the documented result and message, the
// set and the stores stay readable, and nothing is reported as backed up or
// restored that was not.
#include <cstdlib>

#include <gtest/gtest.h>

#include "core/archive/catalogue.h"
#include "core/archive/set_layout.h"
#include "core/jobs/tests/store_home.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_tree.h"
#include "tests/support/set_contents.h"

namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

class CliFaults : public brim_test::StoreHome {
protected:
    CliFaults() {
        src = home.dir().path() / "src";
        fs::create_directories(src / "sub");
        for (int i = 0; i < 6; ++i) write_bytes(src / "sub" / ("f" + std::to_string(i)), std::string(100000 + i, 'a' + i));
        dest = home.dir().path() / "dest";
    }
    ~CliFaults() override { ::unsetenv("BRIMVAULT_FAULTS"); }

    // Runs the CLI with the fault plan in its environment only.
    brim_test::CliResult cli(std::vector<std::string> args, const std::string& faults = {}) {
        if (faults.empty()) ::unsetenv("BRIMVAULT_FAULTS");
        else ::setenv("BRIMVAULT_FAULTS", faults.c_str(), 1);
        auto result = brim_test::run_cli(BRIM_CLI, args);
        ::unsetenv("BRIMVAULT_FAULTS");
        return result;
    }

    brim::archive::LayoutResult layout() const {
        return brim::archive::read_set_layout(wide(dest / "job.bvf"), false, true, 1);
    }

    fs::path src, dest;
};

TEST_F(CliFaults, ADiskThatFillsUpAbortsTheRunAndKeepsTheEarlierRun) {
    ASSERT_EQ(cli({"job", "add", "job", "--kind", "normal", "--append", "--dest", dest.string(), "--dir", src.string()}).status, 0);
    ASSERT_EQ(cli({"run", "job"}).status, 0);
    const auto full = cli({"run", "job"}, "write:3+:ENOSPC");
    EXPECT_EQ(full.status, 4) << full.output;  // aborted
    EXPECT_NE(full.output.find("No space left on device"), std::string::npos) << full.output;
    const auto set = layout();
    ASSERT_EQ(set.error, brim::archive::LayoutError::none);
    ASSERT_EQ(set.layout.run_count(), 1u);
    for (const auto& [path, bytes] : brim_test::run_contents(set.layout, set.layout.runs[0], u""))
        EXPECT_EQ(bytes, read_bytes(narrow(path)));
    EXPECT_EQ(cli({"run", "job"}).status, 0);  // and the next run works on the repaired set
    EXPECT_EQ(layout().layout.run_count(), 2u);
}

TEST_F(CliFaults, AFailedRunNamesTheFileThatRefused) {
    ASSERT_EQ(cli({"job", "add", "job", "--kind", "normal", "--dest", dest.string(), "--dir", src.string()}).status, 0);
    const auto refused = cli({"run", "job"}, "write:1+:EACCES:dest/");
    EXPECT_EQ(refused.status, 4) << refused.output;
    EXPECT_NE(refused.output.find("Failed to execute backup operation(" + (dest / "job.bvf").string() +
                                  ": Permission denied)!"),
              std::string::npos)
        << refused.output;
}

TEST_F(CliFaults, AnUnreadableSourceIsAWarningAndNotCountedAsBackedUp) {
    ASSERT_EQ(cli({"job", "add", "job", "--kind", "normal", "--dest", dest.string(), "--dir", src.string(),
                   "--no-open-files"}).status, 0);
    const auto ran = cli({"run", "job"}, "read:1:EIO:sub/f3");
    EXPECT_EQ(ran.status, 1) << ran.output;  // having warnings
    EXPECT_NE(ran.output.find("Unable to back up file"), std::string::npos) << ran.output;
    const auto set = layout();
    ASSERT_EQ(set.error, brim::archive::LayoutError::none);
    int with_data = 0;
    brim::archive::for_each_file(*set.layout.runs[0].root, [&](const brim::DataHeader& f) { with_data += f.data_flag == 0xFF; });
    EXPECT_EQ(with_data, 5);
    EXPECT_NE(cli({"report", "job"}).output.find("5/6 files"), std::string::npos);
}

// The copy kinds copy inside the system (copy_file_range); a disk that
// fills on that path ends the run, leaves no half copy, takes back the
// copy root it made and keeps the earlier one whole.
TEST_F(CliFaults, ADiskThatFillsWhileCopyingKeepsTheEarlierCopies) {
    ASSERT_EQ(cli({"job", "add", "job", "--kind", "increment_copy", "--append", "--dest", dest.string(), "--dir",
                   src.string()})
                  .status,
              0);
    ASSERT_EQ(cli({"run", "job"}).status, 0);
    const auto first = brim_test::folders_in(dest);
    ASSERT_EQ(first.size(), 1u);
    const auto copies = brim_test::tree_of(first[0]);
    for (int i = 0; i < 6; ++i) write_bytes(src / "sub" / ("f" + std::to_string(i)), std::string(120000, 'z'));
    const auto full = cli({"run", "job"}, "write:2+:ENOSPC:" + dest.filename().string() + "/");
    EXPECT_EQ(full.status, 4) << full.output;
    EXPECT_NE(full.output.find("No space left on device"), std::string::npos) << full.output;
    EXPECT_EQ(brim_test::folders_in(dest), first);
    EXPECT_TRUE(brim_test::tree_of(first[0]) == copies);
    for (const auto& entry : fs::recursive_directory_iterator(dest))
        EXPECT_EQ(entry.path().string().find("~~part"), std::string::npos) << entry.path();
    const auto after = cli({"run", "job"});
    EXPECT_EQ(after.status, 0) << after.output;
    EXPECT_EQ(brim_test::folders_in(dest).size(), 2u);
}

TEST_F(CliFaults, ARestoreOnAFullDiskFailsAndSaysSo) {
    ASSERT_EQ(cli({"job", "add", "job", "--kind", "normal", "--dest", dest.string(), "--dir", src.string()}).status, 0);
    ASSERT_EQ(cli({"run", "job"}).status, 0);
    const fs::path out = home.dir().path() / "out";
    const auto restored = cli({"restore", "job", "--to", out.string(), "--quiet"}, "write:2+:ENOSPC");
    EXPECT_NE(restored.status, 0) << restored.output;
    EXPECT_NE(restored.output.find("No space left on device"), std::string::npos) << restored.output;
    EXPECT_EQ(restored.output.find("Successful"), std::string::npos);
}

TEST_F(CliFaults, TheJobStoreAndTheLogSurviveFailedWrites) {
    ASSERT_EQ(cli({"job", "add", "kept", "--kind", "normal", "--dest", dest.string(), "--dir", src.string()}).status, 0);
    const auto failed = cli({"job", "add", "lost", "--kind", "normal", "--dest", dest.string(), "--dir", src.string()},
                            "rename:1+:EIO");
    EXPECT_NE(failed.status, 0) << failed.output;
    const auto list = cli({"job", "list"});
    EXPECT_NE(list.output.find("kept"), std::string::npos) << list.output;  // the old store is whole
    EXPECT_EQ(list.output.find("lost"), std::string::npos);

    // The log keeps what it held when its own writes fail.
    ASSERT_EQ(cli({"run", "kept"}).status, 0);
    const auto before = cli({"log", "--last", "50"});
    ASSERT_EQ(before.status, 0);
    const auto logged = cli({"run", "kept"}, "sync:1+:EIO,write:1+:EIO");
    EXPECT_NE(logged.status, 0);  // neither the set nor the log can be written: the run fails, nothing crashes
    const auto after = cli({"log", "--last", "50"});
    EXPECT_EQ(after.status, 0) << after.output;
    EXPECT_EQ(after.output, before.output);
    EXPECT_EQ(cli({"run", "kept"}).status, 0);  // and takes new entries again
    EXPECT_GT(cli({"log", "--last", "50"}).output.size(), before.output.size());
}

}  // namespace
