#include "core/engine/backup_data_coll.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/archive/catalogue.h"
#include "tests/support/temp_dir.h"

namespace brim {
namespace {

using brim_test::TempDir;
using brim_test::write_bytes;

bk::String native(const std::filesystem::path& p) { return bk::from_native_path(p.string()); }

class RecordingEvents : public ScanEvents {
public:
    bool has_stopped() const override { return stop_after_parse >= 0 && parsed >= stop_after_parse; }
    void begin_parse() override { ++begun; }
    void parse_source(const bk::String&) override { ++parsed; }
    void warning(const bk::String& text) override { warnings.push_back(text); }
    bool retry_after(const bk::Exception&, std::uint32_t) override { return false; }
    FtpConnection& ftp_connection(bk::StringView) override { throw bk::Exception(u"no FTP here"); }

    int begun = 0;
    int parsed = 0;
    int stop_after_parse = -1;
    std::vector<bk::String> warnings;
};

// Names a file system can hold: spaces, non-ASCII, a backslash, a newline,
// a byte that is not UTF-8; links of every kind.
struct Fixture {
    Fixture() {
        src = dir / "src";
        std::filesystem::create_directories(src / "sub dir" / "deeper");
        std::filesystem::create_directories(src / "empty");
        std::filesystem::create_directories(dir / "outside");
        write_bytes(src / "plain.txt", "hello");
        write_bytes(src / "caf\xC3\xA9.doc", "x");
        write_bytes(src / "back\\slash", "b");
        write_bytes(src / "new\nline", "n");
        write_bytes(src / "bad\xFF.bin", "z");
        write_bytes(src / "sub dir" / "deeper" / "leaf.txt", std::string(70000, 'l'));
        write_bytes(src / "empty-file", "");
        write_bytes(dir / "outside" / "keep.txt", "k");
        ::symlink("plain.txt", (src / "link-to-file").c_str());
        ::symlink("../outside", (src / "link-to-outside").c_str());
        ::symlink("missing", (src / "dangling").c_str());
        ::symlink("loop", (src / "loop").c_str());
        ::mkfifo((src / "fifo").c_str(), 0600);
        job.sources = {{native(src), SourceType::directory, true}};
    }
    TempDir dir;
    std::filesystem::path src;
    BackupItem job;
    RecordingEvents events;
};

std::vector<bk::String> files_of(const DataHeader& root) {
    std::vector<bk::String> names;
    archive::for_each_file(root, [&](const DataHeader& f) { names.push_back(f.full_path()); });
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BackupDataColl, ScansEveryNameAndRecordsLinksWithoutFollowingThem) {
    Fixture f;
    BackupDataColl coll(f.job, f.events);
    ASSERT_TRUE(coll.scan(4096));
    EXPECT_EQ(f.events.begun, 1);
    const auto files = files_of(coll.root());
    const bk::String base = native(f.src) + u"/";
    const std::vector<bk::String> expected = {
        base + u"back\\slash", base + u"bad\xDCFF.bin", base + u"caf\u00E9.doc", base + u"dangling",
        base + u"empty-file",  base + u"link-to-file", base + u"link-to-outside", base + u"loop",
        base + u"new\nline",   base + u"plain.txt",    base + u"sub dir/deeper/leaf.txt",
    };
    EXPECT_EQ(files, expected);  // no fifo, nothing from outside/
    EXPECT_EQ(coll.directory_count(), 4u);  // src, empty, sub dir, deeper
    EXPECT_EQ(coll.file_count(), expected.size());
    bool saw_link = false;
    archive::for_each_file(coll.root(), [&](const DataHeader& item) {
        if (item.name() == u"link-to-outside") {
            saw_link = true;
            EXPECT_NE(item.attributes & 0x400, 0u);
            EXPECT_EQ(item.posix_mode & 0170000, 0120000u);
            EXPECT_EQ(item.size, 10u);  // the length of "../outside"
        }
    });
    EXPECT_TRUE(saw_link);
    EXPECT_GT(coll.space_estimate(), coll.total_size());
    EXPECT_EQ(coll.space_estimate() % 4096, 0u);
    EXPECT_TRUE(f.events.warnings.empty());
}

TEST(BackupDataColl, ExtensionFilters) {
    struct Case {
        std::uint32_t option;
        std::vector<bk::String> extensions;
        std::size_t expected_files;
    };
    const Case cases[] = {
        {job_option::aware_ext, {u".txt"}, 2},   // plain.txt and leaf.txt
        {job_option::aware_ext, {u"txt"}, 2},    // written without its dot
        {job_option::aware_ext, {}, 0},          // an empty list takes nothing
        {job_option::ignore_ext, {}, 11},        // and leaves nothing out
        {job_option::ignore_ext, {u".txt", u".doc"}, 8},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.job.options = c.option;
        f.job.extensions = c.extensions;
        BackupDataColl coll(f.job, f.events);
        ASSERT_TRUE(coll.scan(0));
        EXPECT_EQ(coll.file_count(), c.expected_files);
        EXPECT_EQ(coll.directory_count(), 4u);  // the filter never applies to directories
        EXPECT_EQ(coll.space_estimate(), 0u);   // no cluster size, no estimate
    }
}

TEST(BackupDataColl, SourcesThatAreMissingNonRecursiveOrFiles) {
    Fixture f;
    f.job.sources = {
        {native(f.dir / "nowhere"), SourceType::directory, true},
        {native(f.src / "sub dir"), SourceType::directory, false},
        {native(f.src / "plain.txt"), SourceType::file, false},
        {native(f.src / "link-to-file"), SourceType::file, false},  // a source link is followed
        {native(f.dir / "gone.txt"), SourceType::file, false},
        {native(f.src / "sub dir"), SourceType::directory, true},  // the same directory twice: two subtrees
    };
    BackupDataColl coll(f.job, f.events);
    ASSERT_TRUE(coll.scan(512));
    ASSERT_EQ(f.events.warnings.size(), 2u);
    EXPECT_EQ(f.events.warnings[0], u"Unable to parse \"" + native(f.dir / "nowhere") + u"\"(No such file or directory).");
    EXPECT_NE(f.events.warnings[1].find(u"gone.txt"), bk::String::npos);
    const DataHeader& root = coll.root();
    ASSERT_EQ(root.directories().size(), 2u);
    EXPECT_EQ(root.directories()[0]->attributes, 0xFFFFFFFFu);  // the non-recursive source alone
    EXPECT_TRUE(root.directories()[0]->files().empty());
    ASSERT_EQ(root.files().size(), 2u);
    EXPECT_EQ(root.files()[1]->size, 5u);  // the link's target, plain.txt
    EXPECT_EQ(coll.file_count(), 3u);
}

TEST(BackupDataColl, AStoppedScanReportsFalse) {
    Fixture f;
    f.events.stop_after_parse = 2;
    BackupDataColl coll(f.job, f.events);
    EXPECT_FALSE(coll.scan(4096));
}

TEST(IncrementalDataColl, TakesOnlyChangedFilesAndTheirDirectories) {
    Fixture f;
    RecordedFiles recorded;
    {
        BackupDataColl full(f.job, f.events);
        ASSERT_TRUE(full.scan(0));
        archive::for_each_file(full.root(),
                               [&](const DataHeader& item) { recorded[item.full_path()] = {item.modified, item.size, CipherId::none}; });
    }
    const bk::String leaf = native(f.src / "sub dir" / "deeper" / "leaf.txt");
    const RecordedFile as_it_is = recorded[leaf];
    struct Case {
        const char* name;
        RecordedFile record;  // what the set recorded of leaf.txt
        bool taken;
    };
    const Case cases[] = {
        {"unchanged", as_it_is, false},
        {"changed since: newer now", {as_it_is.modified - 1000000, as_it_is.stored_size}, true},
        {"put back from elsewhere: older now", {as_it_is.modified + 86400000000, as_it_is.stored_size}, true},
        {"same time, other size", {as_it_is.modified, *as_it_is.stored_size + 1}, true},
        {"stored only in part", {as_it_is.modified, *as_it_is.stored_size - 4096}, true},
        {"same time, no size known (copy kinds)", {as_it_is.modified, std::nullopt}, false},
        {"same time and size, padded by rijndael", {as_it_is.modified, 70000 + 16 * 2, CipherId::rijndael}, false},
        {"same time, rijndael, other size", {as_it_is.modified, 70000, CipherId::rijndael}, true},
    };
    for (const Case& c : cases) {
        recorded[leaf] = c.record;
        IncrementalDataColl coll(f.job, f.events, recorded);
        ASSERT_TRUE(coll.scan(0));
        std::vector<bk::String> expected;
        if (c.taken) expected.push_back(leaf);
        EXPECT_EQ(files_of(coll.root()), expected) << c.name;
        EXPECT_EQ(coll.directory_count(), c.taken ? 3u : 0u) << c.name;  // src, sub dir, deeper; never empty/
    }
    recorded[leaf] = as_it_is;
    write_bytes(f.src / "added.txt", "new");  // no record at all
    IncrementalDataColl coll(f.job, f.events, recorded);
    ASSERT_TRUE(coll.scan(0));
    EXPECT_EQ(files_of(coll.root()), (std::vector<bk::String>{native(f.src / "added.txt")}));
}

TEST(IncrementalDataColl, ACopyThatNeverCompletedIsCopiedAgain) {
    const RecordedFiles recorded = {{u"/a", {0, std::nullopt}}, {u"/b", {7, std::nullopt}}};
    EXPECT_TRUE(changed_since(recorded, u"/a", 0, 5, true));
    EXPECT_FALSE(changed_since(recorded, u"/a", 0, 5, false));
    EXPECT_FALSE(changed_since(recorded, u"/b", 7, 5, true));
}

}  // namespace
}  // namespace brim
