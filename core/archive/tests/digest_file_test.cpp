#include "core/archive/digest_file.h"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/security/sha256.h"
#include "tests/support/temp_dir.h"

namespace brim::archive {
namespace {

using brim_test::read_bytes;
using brim_test::TempDir;
using brim_test::write_bytes;

bk::String native(const std::filesystem::path& p) { return bk::from_native_path(p.string()); }

Digest digest_of(const std::string& text) { return sha256(text.data(), text.size()); }

// A run's block: one file with a plain digest, one with both, one without.
RunDigests block(std::int64_t time) {
    RunDigests run;
    run.backup_time = time;
    run.file_count = 3;
    run.data_length = 1000 + static_cast<std::uint64_t>(time);
    run.files = {{DigestKind::plain, digest_of("a" + std::to_string(time)), {}},
                 {DigestKind::plain_and_stored, digest_of("b"), digest_of("stored b")},
                 {}};
    return run;
}

RunLayout run_of(const RunDigests& digests) {
    RunLayout run;
    run.header.backup_time = digests.backup_time;
    run.header.file_count = digests.file_count;
    run.header.data_length = digests.data_length;
    return run;
}

std::vector<RunLayout> runs_of(const std::vector<std::int64_t>& times) {
    std::vector<RunLayout> runs;
    for (const auto time : times) runs.push_back(run_of(block(time)));
    return runs;
}

void expect_same(const RunDigests& read, const RunDigests& written) {
    EXPECT_EQ(read.backup_time, written.backup_time);
    EXPECT_EQ(read.data_length, written.data_length);
    ASSERT_EQ(read.files.size(), written.files.size());
    for (std::size_t i = 0; i < read.files.size(); ++i) {
        EXPECT_EQ(read.files[i].kind, written.files[i].kind);
        if (written.files[i].kind != DigestKind::none) {
            EXPECT_EQ(read.files[i].plain, written.files[i].plain);
        }
        if (written.files[i].kind == DigestKind::plain_and_stored) {
            EXPECT_EQ(read.files[i].stored, written.files[i].stored);
        }
    }
}

std::vector<std::int64_t> times_in(const DigestFileContents& contents) {
    std::vector<std::int64_t> times;
    for (const auto& run : contents.runs) times.push_back(run.backup_time);
    return times;
}

TEST(DigestFile, AppendedBlocksReadBackAndMatchTheirRunsInOrder) {
    TempDir dir;
    const bk::String path = native(dir / "set.bvf.bvh");
    EXPECT_FALSE(read_digest_file(path).found);
    append_digests(path, block(1));
    append_digests(path, block(2));
    const DigestFileContents contents = read_digest_file(path);
    ASSERT_TRUE(contents.found);
    EXPECT_FALSE(contents.tail_damaged);
    ASSERT_EQ(contents.runs.size(), 2u);
    expect_same(contents.runs[0], block(1));
    expect_same(contents.runs[1], block(2));
    EXPECT_EQ(read_bytes(dir / "set.bvf.bvh").substr(0, 4), "BVHD");

    // Runs written before digests existed have none; a block whose run is
    // gone is passed over; a run whose data length differs is not its run.
    auto runs = runs_of({0, 2, 7});
    const auto matched = match_digests(contents, runs);
    EXPECT_EQ(matched[0], nullptr);
    ASSERT_NE(matched[1], nullptr);
    EXPECT_EQ(matched[1]->backup_time, 2);
    EXPECT_EQ(matched[2], nullptr);
    runs[1].header.data_length += 1;
    EXPECT_EQ(match_digests(contents, runs)[1], nullptr);
}

TEST(DigestFile, DamageEndsWhatIsReadAndAForeignFileIsNone) {
    TempDir dir;
    const auto file = dir / "set.bvf.bvh";
    const bk::String path = native(file);
    append_digests(path, block(1));
    const std::size_t first_end = read_bytes(file).size();
    append_digests(path, block(2));
    const std::string whole = read_bytes(file);

    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        bool found;
        std::size_t runs;
    };
    const std::vector<Case> cases = {
        {"a byte of the header", [](std::string& b) { b[5] ^= 1; }, false, 0},
        {"the header's digest", [](std::string& b) { b[40] ^= 1; }, false, 0},
        {"a digest in the second block", [&](std::string& b) { b[first_end + 40] ^= 1; }, true, 1},
        {"the second block cut short", [](std::string& b) { b.resize(b.size() - 10); }, true, 1},
        {"the first block's chain digest", [&](std::string& b) { b[first_end - 1] ^= 1; }, true, 0},
        {"a length past the end", [&](std::string& b) { b[first_end] = '\x7f'; }, true, 1},
    };
    for (const auto& c : cases) {
        std::string bytes = whole;
        c.damage(bytes);
        write_bytes(file, bytes);
        const DigestFileContents contents = read_digest_file(path);
        EXPECT_EQ(contents.found, c.found) << c.what;
        EXPECT_EQ(contents.runs.size(), c.runs) << c.what;
        if (c.found) {
            EXPECT_TRUE(contents.tail_damaged) << c.what;
        }
    }

    // Appending after a damaged tail cuts the tail off first.
    std::string torn = whole;
    torn.resize(torn.size() - 10);
    write_bytes(file, torn);
    append_digests(path, block(3));
    const auto contents = read_digest_file(path);
    EXPECT_FALSE(contents.tail_damaged);
    EXPECT_EQ(times_in(contents), (std::vector<std::int64_t>{1, 3}));
}

TEST(DigestFile, ReconcilingKeepsExactlyTheBlocksOfTheRunsThatCount) {
    struct Case {
        const char* what;
        std::vector<std::int64_t> counted;  // the set's runs
        std::vector<std::int64_t> kept;
        bool cut_only;  // the file is a leading part of what it was
    };
    const std::vector<Case> cases = {
        {"every run counts", {1, 2, 3}, {1, 2, 3}, true},
        {"the last run was never counted", {1, 2}, {1, 2}, true},
        {"the oldest run was removed", {2, 3}, {2, 3}, false},
        {"older runs without digests", {0, 1, 2, 3}, {1, 2, 3}, true},
        {"none of them", {9}, {}, true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const auto file = dir / "set.bvf.bvh";
        const bk::String path = native(file);
        for (const std::int64_t time : {1, 2, 3}) append_digests(path, block(time));
        const std::string before = read_bytes(file);
        reconcile_digest_file(path, runs_of(c.counted));
        const std::string after = read_bytes(file);
        const auto contents = read_digest_file(path);
        EXPECT_TRUE(contents.found) << c.what;
        EXPECT_FALSE(contents.tail_damaged) << c.what;
        EXPECT_EQ(times_in(contents), c.kept) << c.what;
        if (c.cut_only) {
            EXPECT_EQ(before.substr(0, after.size()), after) << c.what;
        }
        for (const auto& run : contents.runs) expect_same(run, block(run.backup_time));
    }

    TempDir dir;
    const auto foreign = dir / "other.bvh";
    write_bytes(foreign, "not a digest file");
    reconcile_digest_file(native(foreign), runs_of({1}));
    EXPECT_FALSE(std::filesystem::exists(foreign));
}

}  // namespace
}  // namespace brim::archive
