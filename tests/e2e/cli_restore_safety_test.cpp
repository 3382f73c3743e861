// Restores that must not cost the user data, driven through brimvault-cli:
// damaged data never replaces a good file, a copy stored only in part never
// wins over an earlier whole one, and a restore nobody can answer keeps a
// newer local edit.
#include <gtest/gtest.h>

#include <chrono>

#include "core/archive/catalogue.h"
#include "core/archive/set_layout.h"
#include "tests/support/cli_fixture.h"
#include "tests/support/file_tree.h"
#include "tests/support/odd_tree.h"

namespace {

namespace fs = std::filesystem;
using brim_test::random_bytes;
using brim_test::read_bytes;
using brim_test::write_bytes;

void set_mtime(const fs::path& path, int seconds_from_now) {
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(seconds_from_now));
}

std::vector<std::string> names_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CliRestoreSafety : public brim_test::CliJobs {
protected:
    CliRestoreSafety() { fs::create_directories(src); }
};

TEST_F(CliRestoreSafety, DamagedDataLeavesTheExistingFileAsItWasAndNoTemporaryBehind) {
    const std::string big = random_bytes(200000, 5);
    write_bytes(src / "big", big);
    write_bytes(src / "small", "small");
    add_job("damaged", "normal", {"--cipher", "rijndael"});
    run("damaged");
    // One byte in the last block of big's second chunk: that chunk no longer deciphers.
    const fs::path set = dest / "damaged.bvf";
    const auto layout = brim::archive::read_set_layout(wide(set), false, true, 1);
    ASSERT_EQ(layout.error, brim::archive::LayoutError::none);
    const brim::archive::RunLayout& run = layout.layout.runs[0];
    std::uint64_t at = 0;
    brim::archive::for_each_file(*run.root, [&](const brim::DataHeader& item) {
        if (item.name() == u"big") at = run.data[0].offset + item.data_offset + 2 + 2 * 65552 - 3;
    });
    ASSERT_NE(at, 0u);
    std::string bytes = read_bytes(set);
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    write_bytes(set, bytes);

    // The user's own file stands where big goes: under a target, and at its original place.
    const std::string good = random_bytes(150000, 6);
    const fs::path out = root / "out";
    fs::create_directories(out / "src");
    write_bytes(out / "src" / "big", good);
    write_bytes(src / "big", good);
    for (const auto& [place, args] : {std::pair{out / "src", std::vector<std::string>{"--to", out.string()}},
                                      std::pair{src, std::vector<std::string>{}}}) {
        std::vector<std::string> command = {"restore", "damaged", "--existing", "replace"};
        command.insert(command.end(), args.begin(), args.end());
        const auto restored = cli(command);
        EXPECT_EQ(restored.status, 1) << restored.output;  // having warnings
        EXPECT_NE(restored.output.find("Unable to restore file"), std::string::npos) << restored.output;
        EXPECT_NE(restored.output.find("has been lost"), std::string::npos) << restored.output;
        EXPECT_EQ(read_bytes(place / "big"), good) << place;
        EXPECT_EQ(read_bytes(place / "small"), "small") << place;
        EXPECT_EQ(names_in(place), (std::vector<std::string>{"big", "small"})) << place;
    }
}

TEST_F(CliRestoreSafety, ACopyStoredOnlyInPartNeverReplacesTheEarlierWholeOne) {
    struct Case {
        std::string name;
        std::string interrupt_on;  // Ctrl-C once the run reaches big
        std::string faults;        // or big's second read fails
    };
    const Case cases[] = {
        {"ctrl-c", "file " + (src / "big").string(), {}},
        {"read-error", {}, "read:2:EIO:/big"},
    };
    for (const auto& c : cases) {
        fs::remove_all(src);
        fs::create_directories(src);
        const std::string whole = random_bytes(128 << 20, 1);
        write_bytes(src / "big", whole);
        write_bytes(src / "small", "first");
        add_job(c.name, "increment", {"--append", "--no-open-files"});
        run(c.name);
        write_bytes(src / "big", random_bytes(128 << 20, 2));
        set_mtime(src / "big", 60);
        write_bytes(src / "small", "second");
        set_mtime(src / "small", 60);
        if (!c.faults.empty()) ::setenv("BRIMVAULT_FAULTS", c.faults.c_str(), 1);
        const auto second = cli({"run", c.name, "--verbose"}, c.interrupt_on);
        ::unsetenv("BRIMVAULT_FAULTS");
        ASSERT_NE(second.status, 0) << c.name << second.output;

        const auto listed = cli({"list", c.name});
        const std::size_t run2 = listed.output.find("run 2");
        ASSERT_NE(run2, std::string::npos) << listed.output;
        const std::size_t big_line = listed.output.find((src / "big").string(), run2);
        ASSERT_NE(big_line, std::string::npos) << listed.output;
        const std::string line = listed.output.substr(big_line, listed.output.find('\n', big_line) - big_line);
        EXPECT_TRUE(line.find("(partial") != std::string::npos || line.find("(failed") != std::string::npos)
            << c.name << ": " << listed.output;

        const fs::path out = root / ("out-" + c.name);
        const auto restored = cli({"restore", c.name, "--to", out.string()});
        EXPECT_EQ(restored.status, 0) << c.name << restored.output;
        EXPECT_TRUE(read_bytes(out / "src" / "big") == whole) << c.name << ": not run 1's whole copy";
        if (c.faults.empty()) EXPECT_EQ(read_bytes(out / "src" / "small"), "first") << c.name;  // stopped before it
        else EXPECT_EQ(read_bytes(out / "src" / "small"), "second") << c.name;
        EXPECT_EQ(restored.output.find("warning"), std::string::npos) << c.name << restored.output;
    }
}

TEST_F(CliRestoreSafety, ARestoreToTheOriginalPlacesKeepsANewerLocalEditUnlessToldToReplace) {
    write_bytes(src / "edited", "as backed up");
    write_bytes(src / "stale", "as backed up");
    set_mtime(src / "edited", -3600);
    set_mtime(src / "stale", -3600);
    add_job("home", "normal");
    run("home");
    write_bytes(src / "edited", "edited since");  // newer than the set's copy
    write_bytes(src / "stale", "older than the set");
    set_mtime(src / "stale", -86400);

    const auto kept = cli({"restore", "home"});  // nobody at a terminal to ask
    EXPECT_EQ(kept.status, 0) << kept.output;
    EXPECT_EQ(read_bytes(src / "edited"), "edited since");
    EXPECT_EQ(read_bytes(src / "stale"), "as backed up");
    EXPECT_NE(kept.output.find("Kept 1 existing file"), std::string::npos) << kept.output;

    const auto replaced = cli({"restore", "home", "--existing", "replace"});
    EXPECT_EQ(replaced.status, 0) << replaced.output;
    EXPECT_EQ(read_bytes(src / "edited"), "as backed up");
    EXPECT_EQ(replaced.output.find("Kept"), std::string::npos) << replaced.output;
}

}  // namespace
