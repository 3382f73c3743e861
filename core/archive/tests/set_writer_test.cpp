#include "core/archive/set_writer.h"

#include <fstream>
#include <map>
#include <random>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "core/archive/catalogue.h"
#include "core/archive/digest_file.h"
#include "core/archive/run_data_reader.h"
#include "core/security/xor_cipher.h"
#include "core/security/rijndael_cipher.h"
#include "core/security/sha256.h"
#include "core/security/wake_cipher.h"
#include "tests/support/temp_dir.h"

namespace brim::archive {
namespace {

using brim_test::read_bytes;
using brim_test::TempDir;
using brim_test::write_bytes;
using Bytes = std::vector<std::uint8_t>;

bk::String native(const std::filesystem::path& p) { return bk::from_native_path(p.string()); }

// Reads items from their files; can stop after a number of files and fail
// chosen files.
class FileRunContext : public RunContext {
public:
    bool has_stopped() const override { return stop_after >= 0 && written >= stop_after; }
    void on_file(const bk::String&, std::uint32_t) override {}
    void on_size(std::uint32_t) override {}
    std::unique_ptr<bk::InputStream> open_item(const DataHeader& item) override {
        return std::make_unique<bk::FileInputStream>(item.full_path());
    }
    void item_failed(const DataHeader&, const bk::Exception&) override { ++failed; }
    void item_written(const DataHeader&, std::uint64_t) override { ++written; }

    int stop_after = -1;
    int written = 0;
    int failed = 0;
};

// A source tree: nested and empty directories, empty files, 64 KiB and
// 64 KiB + 1, and a larger file.
struct SourceTree {
    explicit SourceTree(const std::filesystem::path& root) : path(root) {
        std::filesystem::create_directories(root / "a" / "b");
        std::filesystem::create_directories(root / "empty");
        put("a/b/x", 65536);
        put("a/y", 65537);
        put("a/empty-file", 0);
        put("z", 200000);
        put("small", 17);
    }
    void put(const std::string& name, std::size_t size) {
        std::string bytes(size, '\0');
        std::mt19937 random(static_cast<unsigned>(size));
        for (char& c : bytes) c = static_cast<char>(random());
        write_bytes(path / name, bytes);
    }
    std::filesystem::path path;
};

std::unique_ptr<DataHeader> scan(const std::filesystem::path& dir) {
    auto item = std::make_unique<DataHeader>(ItemKind::directory, native(dir));
    std::vector<std::filesystem::directory_entry> entries(std::filesystem::directory_iterator(dir), {});
    std::sort(entries.begin(), entries.end());
    for (const auto& e : entries) {
        if (e.is_directory()) {
            item->add_directory(scan(e.path()));
        } else {
            auto file = std::make_unique<DataHeader>(ItemKind::file, native(e.path().filename()));
            file->size = e.file_size();
            item->add_file(std::move(file));
        }
    }
    return item;
}

std::unique_ptr<DataHeader> tree_of(const std::filesystem::path& dir) {
    auto root = std::make_unique<DataHeader>(ItemKind::directory, u"");
    root->add_directory(scan(dir));
    recount(*root);
    return root;
}

RunHeader run_for(const DataHeader& root, CipherId cipher) {
    RunHeader run;
    run.backup_time = 1234;
    run.cipher = cipher;
    run.directory_count = root.subtree_directories;
    run.file_count = root.subtree_files;
    run.total_size = root.size;
    return run;
}

SecurityHeader new_set_header() {
    SecurityHeader h;
    h.job_name = u"job";
    h.backup_kind = 1;
    return h;
}

// The run's data area as one byte string, across volumes.
Bytes data_area(const SetLayout& layout, const RunLayout& run) {
    Bytes bytes;
    for (const auto& extent : run.data) {
        const std::string file = read_bytes(bk::to_native_path(layout.files[extent.file].path));
        bytes.insert(bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(extent.offset),
                     file.begin() + static_cast<std::ptrdiff_t>(extent.offset + extent.length));
    }
    return bytes;
}

// Checks every file's block against its source, deciphering each chunk.
void expect_data_matches_sources(const SetLayout& layout, const RunLayout& run, DataCipher* decipher) {
    const Bytes area = data_area(layout, run);
    EXPECT_EQ(area.size(), run.header.data_length);
    for_each_file(*run.root, [&](const DataHeader& file) {
        const std::uint64_t at = file.data_offset;
        ASSERT_LE(at + file.stored_size + 4, area.size());
        EXPECT_EQ(area[at], 0x01);
        EXPECT_EQ(area[at + 2 + file.stored_size], 0x01);
        Bytes stored(area.begin() + static_cast<std::ptrdiff_t>(at + 2),
                     area.begin() + static_cast<std::ptrdiff_t>(at + 2 + file.stored_size));
        Bytes plain;
        if (decipher == nullptr) {
            plain = stored;
        } else {
            const std::size_t unit = decipher->id() == CipherId::rijndael ? chunk_size + 16 : chunk_size;
            for (std::size_t i = 0; i < stored.size(); i += unit) {
                Bytes part;
                decipher->decrypt(stored.data() + i, std::min(unit, stored.size() - i), part);
                plain.insert(plain.end(), part.begin(), part.end());
            }
        }
        const std::string source = read_bytes(bk::to_native_path(file.full_path()));
        EXPECT_EQ(std::string(plain.begin(), plain.end()), source) << bk::to_utf8(file.full_path());
    });
}

const std::uint8_t key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                              17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
const std::uint8_t iv[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};

struct CipherCase {
    CipherId run_cipher;
    std::function<std::unique_ptr<DataCipher>(bool decrypting)> make;
};

std::vector<CipherCase> cipher_cases() {
    return {
        {CipherId::none, [](bool) { return std::unique_ptr<DataCipher>(); }},
        {CipherId::xor_key, [](bool) { return std::unique_ptr<DataCipher>(std::make_unique<XorCipher>(key)); }},
        {CipherId::wake, [](bool) { return std::unique_ptr<DataCipher>(std::make_unique<WakeCipher>(key)); }},
        {CipherId::rijndael,
         [](bool decrypting) { return std::unique_ptr<DataCipher>(std::make_unique<RijndaelCipher>(key, decrypting, iv)); }},
    };
}

TEST(SetWriter, WritesANewSetAndReadsItBackForEachCipher) {
    for (const auto& c : cipher_cases()) {
        TempDir dir;
        SourceTree sources(dir / "src");
        const bk::String main = native(dir / "set.bvf");
        auto root = tree_of(sources.path);
        {
            SetWriter writer(main, {});
            ASSERT_EQ(writer.state(), SetWriter::State::no_set);
            writer.begin_run(new_set_header(), run_for(*root, c.run_cipher), *root, false);
            FileRunContext context;
            auto cipher = c.make(false);
            writer.write_data(context, cipher.get());
            writer.finish_run();
            EXPECT_FALSE(writer.had_incomplete_files());
        }
        const auto result = read_set_layout(main, false, true, 1);
        ASSERT_EQ(result.error, LayoutError::none);
        ASSERT_TRUE(result.layout.is_complete());
        ASSERT_EQ(result.layout.run_count(), 1u);
        const RunLayout& run = result.layout.runs[0];
        EXPECT_EQ(run.header.cipher, c.run_cipher);
        auto decipher = c.make(true);
        expect_data_matches_sources(result.layout, run, decipher.get());
        if (c.run_cipher == CipherId::rijndael) {
            // 65,536 bytes are stored as one padded chunk of 65,552; an empty file as nothing.
            const DataHeader& x = *run.root->directories()[0]->directories()[0]->directories()[0]->files()[0];
            EXPECT_EQ(x.stored_size, 65552);
        }
    }
}

// The digests kept beside the set for `run`: each file stored whole has the
// digest of its source and, when enciphered, of its stored bytes.
void expect_digests_match(const SetLayout& layout, std::size_t index, CipherId cipher) {
    const SetDigests digests = read_set_digests(layout);
    ASSERT_NE(digests.by_run[index], nullptr);
    const auto by_item = digests.of_run(layout, index);
    const Bytes area = data_area(layout, layout.runs[index]);
    for_each_file(*layout.runs[index].root, [&](const DataHeader& file) {
        const auto found = by_item.find(&file);
        if (file.data_flag != data_valid) {
            EXPECT_EQ(found, by_item.end());
            return;
        }
        ASSERT_NE(found, by_item.end()) << bk::to_utf8(file.full_path());
        const std::string source = read_bytes(bk::to_native_path(file.full_path()));
        EXPECT_EQ(found->second.plain, sha256(source.data(), source.size()));
        if (cipher == CipherId::none) {
            EXPECT_EQ(found->second.kind, DigestKind::plain);
        } else {
            ASSERT_EQ(found->second.kind, DigestKind::plain_and_stored);
            EXPECT_EQ(found->second.stored, sha256(area.data() + file.data_offset + 2, file.stored_size));
        }
    });
}

TEST(SetWriter, WritesEachFilesDigestsWhileItsDataPassesForEachCipherAndAcrossVolumes) {
    for (const auto& c : cipher_cases()) {
        for (const bool spans : {false, true}) {
            TempDir dir;
            SourceTree sources(dir / "src");
            const bk::String main = native(dir / "set.bvf");
            auto root = tree_of(sources.path);
            SetWriterSettings settings;
            if (spans) settings.segment_limit = 16576 + 16384 + 150000;
            {
                SetWriter writer(main, settings);
                writer.begin_run(new_set_header(), run_for(*root, c.run_cipher), *root, false);
                FileRunContext context;
                context.stop_after = spans ? -1 : 3;  // a stopped run: the files after it have none
                auto cipher = c.make(false);
                writer.write_data(context, cipher.get());
                writer.finish_run();
            }
            const auto result = read_set_layout(main, false, true, 1);
            ASSERT_EQ(result.error, LayoutError::none);
            expect_digests_match(result.layout, 0, c.run_cipher);
        }
    }
}

TEST(SetWriter, TheDigestFileAgreesWithTheRunsThatCount) {
    TempDir dir;
    SourceTree sources(dir / "src");
    const bk::String main = native(dir / "set.bvf");
    std::int64_t time = 100;
    auto write_run = [&] {
        auto root = tree_of(sources.path);
        RunHeader run = run_for(*root, CipherId::rijndael);
        run.backup_time = ++time;
        SetWriter writer(main, {});
        writer.begin_run(new_set_header(), run, *root, false);
        FileRunContext context;
        auto cipher = cipher_cases()[3].make(false);
        writer.write_data(context, cipher.get());
        writer.finish_run();
    };
    auto digest_times = [&] {
        std::vector<std::int64_t> times;
        for (const auto& run : read_digest_file(digest_path(main)).runs) times.push_back(run.backup_time);
        return times;
    };
    write_run();
    const std::string counted = read_bytes(dir / "set.bvf");
    write_run();
    // As if the process died after the digests were synced and before the
    // run was counted: the set holds one run, the digest file two blocks.
    write_bytes(dir / "set.bvf", counted + "uncounted bytes");
    {
        const auto read = read_set_layout(main, false, true, 1);
        ASSERT_EQ(read.layout.run_count(), 1u);
        const SetDigests digests = read_set_digests(read.layout);
        ASSERT_NE(digests.by_run[0], nullptr);
        EXPECT_EQ(digests.by_run[0]->backup_time, 101);
    }
    write_run();
    EXPECT_EQ(digest_times(), (std::vector<std::int64_t>{101, 103}));
    const auto read = read_set_layout(main, false, true, 1);
    ASSERT_EQ(read.layout.run_count(), 2u);
    for (std::size_t i = 0; i < 2; ++i) expect_digests_match(read.layout, i, CipherId::rijndael);

    // A new set under the name removes what is left of an old one's digests.
    std::filesystem::remove(dir / "set.bvf");
    write_run();
    EXPECT_EQ(digest_times(), (std::vector<std::int64_t>{104}));
}

TEST(SetWriter, AppendedRunReplacesTheTrailerAndGrowsTheRunCount) {
    TempDir dir;
    SourceTree sources(dir / "src");
    const bk::String main = native(dir / "set.bvf");
    for (int run = 0; run < 3; ++run) {
        auto root = tree_of(sources.path);
        SetWriter writer(main, {});
        writer.begin_run(new_set_header(), run_for(*root, CipherId::none), *root, false);
        FileRunContext context;
        writer.write_data(context, nullptr);
        writer.finish_run();
        const std::string bytes = read_bytes(dir / "set.bvf");
        EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string(8, '\0'));
        EXPECT_EQ(static_cast<unsigned char>(bytes[19]), run + 1);  // the run count at offset 16
    }
    const auto result = read_set_layout(main, false, true, 1);
    ASSERT_EQ(result.error, LayoutError::none);
    EXPECT_EQ(result.layout.run_count(), 3u);
    for (const auto& run : result.layout.runs) expect_data_matches_sources(result.layout, run, nullptr);
}

TEST(SetWriter, SpansVolumesAndReadsThemBackWhole) {
    for (const auto& c : cipher_cases()) {
        TempDir dir;
        SourceTree sources(dir / "src");
        sources.put("big", 300000);
        const bk::String main = native(dir / "set.bvf");
        auto root = tree_of(sources.path);
        SetWriterSettings settings;
        settings.segment_limit = 16576 + 16384 + 150000;  // room for about 150 kB of data per file
        {
            SetWriter writer(main, settings);
            writer.begin_run(new_set_header(), run_for(*root, c.run_cipher), *root, false);
            FileRunContext context;
            auto cipher = c.make(false);
            writer.write_data(context, cipher.get());
            writer.finish_run();
        }
        const auto result = read_set_layout(main, false, true, 1);
        ASSERT_EQ(result.error, LayoutError::none);
        EXPECT_GE(result.layout.files.size(), 3u);
        EXPECT_TRUE(result.layout.is_complete());
        auto decipher = c.make(true);
        expect_data_matches_sources(result.layout, result.layout.runs[0], decipher.get());
        for (const auto& file : result.layout.files) EXPECT_TRUE(file.path == main || file.path.ends_with(u".bvs"));
    }
}

TEST(SetWriter, AStoppedRunLeavesTheTrueDataLengthAndUnwrittenFilesWithoutData) {
    TempDir dir;
    SourceTree sources(dir / "src");
    const bk::String main = native(dir / "set.bvf");
    auto root = tree_of(sources.path);
    {
        SetWriter writer(main, {});
        writer.begin_run(new_set_header(), run_for(*root, CipherId::none), *root, false);
        FileRunContext context;
        context.stop_after = 2;
        writer.write_data(context, nullptr);
        writer.finish_run();
        EXPECT_TRUE(writer.had_incomplete_files());
    }
    const auto result = read_set_layout(main, false, true, 1);
    ASSERT_EQ(result.error, LayoutError::none);
    const RunLayout& run = result.layout.runs[0];
    int with_data = 0, without = 0;
    for_each_file(*run.root, [&](const DataHeader& f) {
        if (f.data_flag == data_valid) ++with_data;
        else ++without;
    });
    EXPECT_EQ(with_data, 2);
    EXPECT_EQ(without, 3);
    // a/b/x and a/empty-file went in; y, small and z did not.
    EXPECT_EQ(run.header.data_length, 65536u + 2 * 4);
    EXPECT_EQ(run.header.data_length, data_area(result.layout, run).size());
}

TEST(SetWriter, AnUnfinishedRunIsCutAwayBeforeTheNextOne) {
    TempDir dir;
    SourceTree sources(dir / "src");
    const bk::String main = native(dir / "set.bvf");
    auto write_run = [&](bool finish) {
        auto root = tree_of(sources.path);
        SetWriter writer(main, {});
        writer.begin_run(new_set_header(), run_for(*root, CipherId::none), *root, false);
        FileRunContext context;
        writer.write_data(context, nullptr);
        if (finish) writer.finish_run();
    };
    write_run(true);
    write_run(false);  // as if the process died before the run was counted
    auto damaged = read_set_layout(main, false, true, 1);
    ASSERT_EQ(damaged.error, LayoutError::none);
    EXPECT_EQ(damaged.layout.run_count(), 1u);
    EXPECT_FALSE(damaged.layout.is_complete());
    write_run(true);
    const auto repaired = read_set_layout(main, false, true, 1);
    ASSERT_EQ(repaired.error, LayoutError::none);
    EXPECT_TRUE(repaired.layout.is_complete());
    EXPECT_EQ(repaired.layout.run_count(), 2u);
    for (const auto& run : repaired.layout.runs) expect_data_matches_sources(repaired.layout, run, nullptr);
}

// Writes the run count (offset 16) of every volume that begins with a run's
// continued data: counting that run as the layout does, or not (earlier builds).
void rewrite_volume_counts(const SetLayout& layout, bool layout_way) {
    for (std::size_t i = 1; i < layout.files.size(); ++i) {
        if (!layout.files[i].continues_run) continue;
        const std::filesystem::path path = bk::to_native_path(layout.files[i].path);
        std::string bytes = read_bytes(path);
        const std::uint32_t count = layout.files[i].run_count + (layout_way ? 1 : 0);
        for (int b = 0; b < 4; ++b) bytes[16 + b] = static_cast<char>(count >> (24 - 8 * b));
        write_bytes(path, bytes);
    }
}

TEST(SetWriter, VolumesOfContinuedDataReadWithEitherRunCountAndAppendAsTheLayoutCounts) {
    for (const bool layout_way : {true, false}) {
        TempDir dir;
        SourceTree sources(dir / "src");
        sources.put("big", 300000);
        const bk::String main = native(dir / "set.bvf");
        SetWriterSettings settings;
        settings.segment_limit = 16576 + 16384 + 150000;
        const auto write_run = [&] {
            auto root = tree_of(sources.path);
            SetWriter writer(main, settings);
            ASSERT_NE(writer.state(), SetWriter::State::damaged);
            writer.begin_run(new_set_header(), run_for(*root, CipherId::none), *root, false);
            FileRunContext context;
            writer.write_data(context, nullptr);
            writer.finish_run();
        };
        write_run();
        auto written = read_set_layout(main, false, true, 1);
        ASSERT_EQ(written.error, LayoutError::none);
        ASSERT_GE(written.layout.files.size(), 3u);
        for (std::size_t i = 1; i < written.layout.files.size(); ++i) {
            const SetFileLayout& file = written.layout.files[i];
            EXPECT_TRUE(file.continues_run);
            EXPECT_EQ(file.run_count, 0u);
            EXPECT_EQ(file.link->run_count, 1u);  // as the layout counts: the run continued into it
        }
        rewrite_volume_counts(written.layout, layout_way);
        // Appended into the last volume, after the continued data, then once more.
        write_run();
        write_run();
        const auto result = read_set_layout(main, false, true, 1);
        ASSERT_EQ(result.error, LayoutError::none) << layout_way;
        EXPECT_TRUE(result.layout.is_complete());
        ASSERT_EQ(result.layout.run_count(), 3u) << layout_way;
        for (const auto& run : result.layout.runs) expect_data_matches_sources(result.layout, run, nullptr);
        // The file that took the later runs counts them and the continued one.
        const SetFileLayout& last = result.layout.files[result.layout.runs[1].file];
        ASSERT_TRUE(last.continues_run);
        const std::string bytes = read_bytes(bk::to_native_path(last.path));
        EXPECT_EQ(static_cast<unsigned char>(bytes[19]), last.run_count + 1);
        // Read again the other way round, the runs are the same.
        rewrite_volume_counts(result.layout, !layout_way);
        const auto again = read_set_layout(main, false, true, 1);
        ASSERT_EQ(again.error, LayoutError::none);
        EXPECT_TRUE(again.layout.is_complete());
        EXPECT_EQ(again.layout.run_count(), 3u);
    }
}

TEST(SetWriter, AFileCutShortKeepsItsBytesWithoutTheDataFlagAndAShrunkFileStaysUsable) {
    // z fails after its first chunk; y lost its last byte since the scan.
    struct CuttingContext : FileRunContext {
        std::unique_ptr<bk::InputStream> open_item(const DataHeader& item) override {
            if (item.name() == u"z") return std::make_unique<Failing>(FileRunContext::open_item(item));
            return FileRunContext::open_item(item);
        }
        struct Failing : bk::InputStream {
            explicit Failing(std::unique_ptr<bk::InputStream> in) : in_(std::move(in)) {}
            int read(std::uint8_t* buffer, int length) override {
                if (given_ >= 65536) throw bk::IOException(u"Input/output error", 1117);
                const int n = in_->read(buffer, std::min(length, 65536 - given_));
                given_ += n;
                return n;
            }
            std::int64_t seek(std::int64_t, bk::SeekOrigin) override { return 0; }
            std::unique_ptr<bk::InputStream> in_;
            int given_ = 0;
        };
    };
    TempDir dir;
    SourceTree sources(dir / "src");
    const bk::String main = native(dir / "set.bvf");
    auto root = tree_of(sources.path);
    sources.put("a/y", 65536);
    {
        SetWriter writer(main, {});
        writer.begin_run(new_set_header(), run_for(*root, CipherId::none), *root, false);
        CuttingContext context;
        writer.write_data(context, nullptr);
        writer.finish_run();
        EXPECT_TRUE(writer.had_incomplete_files());
    }
    const auto result = read_set_layout(main, false, true, 1);
    ASSERT_EQ(result.error, LayoutError::none);
    std::map<bk::String, std::pair<std::int64_t, std::uint8_t>> files;
    for_each_file(*result.layout.runs[0].root, [&](const DataHeader& f) { files[f.name()] = {f.stored_size, f.data_flag}; });
    EXPECT_EQ(files[u"z"], std::make_pair(std::int64_t{65536}, data_unusable));
    EXPECT_EQ(files[u"y"], std::make_pair(std::int64_t{65536}, data_valid));
    EXPECT_EQ(files[u"small"], std::make_pair(std::int64_t{17}, data_valid));  // after z, at its true place
    std::vector<std::uint8_t> small(17);
    RunDataReader reader(result.layout, result.layout.runs[0]);
    for_each_file(*result.layout.runs[0].root, [&](const DataHeader& f) {
        if (f.name() == u"small") reader.read(f.data_offset + marker_size, small.data(), small.size());
    });
    EXPECT_EQ(std::string(small.begin(), small.end()), read_bytes(sources.path / "small"));
}

// About 150 kB of run data in each file of the set.
constexpr std::uint64_t small_segment = 16576 + 16384 + 150000;

// Writes a run of the tree at `sources`, not enciphered, into the set.
void write_plain_run(const bk::String& main, const SetWriterSettings& settings, const std::filesystem::path& sources) {
    auto root = tree_of(sources);
    SetWriter writer(main, settings);
    writer.begin_run(new_set_header(), run_for(*root, CipherId::none), *root, false);
    FileRunContext context;
    writer.write_data(context, nullptr);
    writer.finish_run();
}

// A set of one run over several files, the tree holding a large file too.
struct SpanningSet {
    SpanningSet() {
        sources.put("big", 300000);
        SetWriterSettings settings;
        settings.segment_limit = small_segment;
        write_plain_run(main, settings, sources.path);
    }
    TempDir dir;
    SourceTree sources{dir / "src"};
    bk::String main = native(dir / "set.bvf");
};

// Reads of every size, in order and at random places, across the files of
// a set give the bytes those files hold: small ones come through a block
// read ahead, whole chunks straight from the file, also when a chunk begins
// inside the block. A file cut short fails the reads past the cut only.
TEST(RunDataReader, ReadsOfAnySizeAcrossTheSetsFilesGiveTheirBytes) {
    SpanningSet set;
    const auto read = read_set_layout(set.main, false, false, 1);
    ASSERT_EQ(read.error, LayoutError::none);
    const RunLayout& run = read.layout.runs[0];
    ASSERT_GT(run.data.size(), 1u);
    const auto path_of = [&](const DataExtent& extent) {
        return bk::to_native_path(read.layout.files[extent.file].path);
    };
    std::string expected;
    for (const DataExtent& extent : run.data) expected += read_bytes(path_of(extent)).substr(extent.offset, extent.length);

    const std::size_t sizes[] = {2, 1, 4000, 65536, 7, 70000, 300, 65535, 131072, 2};
    const auto check = [&](RunDataReader& reader, std::uint64_t offset, std::size_t size) {
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, expected.size() - offset));
        std::string got(size, '\0');
        reader.read(offset, reinterpret_cast<std::uint8_t*>(got.data()), size);
        ASSERT_EQ(got, expected.substr(offset, size)) << "at " << offset << ", " << size << " bytes";
    };
    RunDataReader reader(read.layout, run);
    ASSERT_EQ(reader.length(), expected.size());
    std::uint64_t offset = 0;
    for (std::size_t i = 0; offset < expected.size(); offset += sizes[i++ % std::size(sizes)])
        ASSERT_NO_FATAL_FAILURE(check(reader, offset, sizes[i % std::size(sizes)]));
    std::mt19937 random(5);
    for (int i = 0; i < 300; ++i)
        ASSERT_NO_FATAL_FAILURE(check(reader, random() % expected.size(), sizes[i % std::size(sizes)]));

    const DataExtent& last = run.data.back();
    std::filesystem::resize_file(path_of(last), last.offset + last.length / 2);
    RunDataReader cut(read.layout, run);
    const std::uint64_t last_start = expected.size() - last.length;
    ASSERT_NO_FATAL_FAILURE(check(cut, last_start, 2));
    std::uint8_t byte = 0;
    EXPECT_THROW(cut.read(expected.size() - 1, &byte, 1), bk::EOFException);
}

// What a writer that hands its files over tells: the files it makes whole
// before rewriting them, and each file handed over, how often, with its
// bytes and run data as they were the last time.
struct HandOvers {
    std::vector<bk::String> rewritten;
    std::map<bk::String, int> times;
    std::map<bk::String, std::string> bytes;
    std::map<bk::String, std::vector<std::pair<std::uint64_t, std::uint64_t>>> data;

    SetWriterSettings settings(std::uint64_t segment_limit) {
        SetWriterSettings s;
        s.segment_limit = segment_limit;
        s.before_rewrite = [this](const bk::String& path) { rewritten.push_back(path); };
        s.file_final = [this](const bk::String& path, const std::vector<ByteRange>& ranges) {
            ++times[path];
            bytes[path] = read_bytes(bk::to_native_path(path));
            data[path].clear();
            for (const ByteRange& range : ranges) data[path].push_back({range.offset, range.length});
        };
        return s;
    }
};

// A writer with a taker for its files hands over each file but the main
// archive once the run is done with it: final, and once, unless the file
// holding the run header must be mended as the run ends (it is then made
// whole and handed over again); the set reads as without a taker.
TEST(SetWriter, HandsOverEachFileOnceItIsFinal) {
    const std::uint64_t segment = small_segment;
    struct Case {
        const char* what;
        bool earlier_run;  // a run written before, without a taker
        bool own_volume;
        bool a_file_fails;  // the run's catalogue is mended as it ends
    };
    const Case cases[] = {
        {"a new set over several volumes", false, false, false},
        {"a run appended to the set's last volume", true, false, false},
        {"a run in a volume of its own", true, true, false},
        {"a run in a volume of its own, one of its files failing", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        SourceTree sources(dir / "src");
        sources.put("big", 300000);
        const bk::String main = native(dir / "set.bvf");
        const auto write_run = [&](const SetWriterSettings& settings, bool a_file_fails) {
            auto root = tree_of(sources.path);
            if (a_file_fails) std::filesystem::remove(sources.path / "a" / "y");  // gone since the scan
            SetWriter writer(main, settings);
            writer.begin_run(new_set_header(), run_for(*root, CipherId::none), *root, c.own_volume);
            FileRunContext context;
            writer.write_data(context, nullptr);
            writer.finish_run();
        };
        std::vector<bk::String> before;
        std::map<bk::String, std::string> untouched;
        if (c.earlier_run) {
            SetWriterSettings plain;
            plain.segment_limit = segment;
            write_run(plain, false);
            const auto earlier = read_set_layout(main, false, false, 1);
            for (const auto& file : earlier.layout.files) before.push_back(file.path);
            // Every file but the last stays as it was.
            for (std::size_t i = 0; i + 1 < before.size(); ++i)
                untouched[before[i]] = read_bytes(bk::to_native_path(before[i]));
        }
        HandOvers taker;
        // The run's catalogue is then mended as the run ends, long after
        // the volume of its header was handed over.
        write_run(taker.settings(segment), c.a_file_fails);

        const auto read = read_set_layout(main, false, true, 1);
        ASSERT_EQ(read.error, LayoutError::none);
        ASSERT_TRUE(read.layout.is_complete());
        const SetLayout& layout = read.layout;
        const std::size_t header_file = layout.runs.back().file;
        std::vector<bk::String> rewritten;
        if (c.earlier_run) rewritten.push_back(before.back());
        if (c.a_file_fails) rewritten.push_back(layout.files[header_file].path);
        EXPECT_EQ(taker.rewritten, rewritten);
        for (const auto& [path, bytes] : untouched) EXPECT_EQ(read_bytes(bk::to_native_path(path)), bytes);
        for (const auto& run : layout.runs) {
            if (!c.a_file_fails) {
                expect_data_matches_sources(layout, run, nullptr);
                continue;
            }
            int without_data = 0;
            for_each_file(*run.root, [&](const DataHeader& f) { without_data += f.data_flag != data_valid; });
            EXPECT_EQ(without_data, &run == &layout.runs.back() ? 1 : 0);
        }

        const std::size_t first_touched = c.earlier_run ? before.size() - 1 : 0;
        std::size_t handed = 0;
        for (std::size_t i = 0; i < layout.files.size(); ++i) {
            const bk::String& path = layout.files[i].path;
            const bool expected = i >= first_touched && i != 0 && i + 1 != layout.files.size();
            ASSERT_EQ(taker.times.count(path), expected ? 1u : 0u) << i;
            if (!expected) continue;
            EXPECT_EQ(taker.times[path], c.a_file_fails && i == header_file ? 2 : 1) << i;
            ++handed;
            EXPECT_EQ(taker.bytes[path], read_bytes(bk::to_native_path(path))) << i;
            std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;
            for (const auto& run : layout.runs)
                for (const auto& extent : run.data)
                    if (extent.file == i && extent.length > 0) extents.push_back({extent.offset, extent.length});
            EXPECT_EQ(taker.data[path], extents) << i;
        }
        EXPECT_GE(handed, c.own_volume ? 3u : 2u);
    }
}

// A run taken back after it handed the set's last file over leaves the set
// as it was before the run, that file included.
TEST(SetWriter, ARunTakenBackAfterAHandOverLeavesTheSetAsItWas) {
    SpanningSet set;
    const auto set_files = [&] {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(set.dir.path()))
            if (entry.is_regular_file()) files[entry.path().filename().string()] = read_bytes(entry.path());
        return files;
    };
    const auto before = set_files();
    HandOvers taker;
    {
        auto root = tree_of(set.sources.path);
        SetWriter writer(set.main, taker.settings(small_segment));
        writer.begin_run(new_set_header(), run_for(*root, CipherId::none), *root, true);
        FileRunContext context;
        writer.write_data(context, nullptr);
        writer.abandon_run();
    }
    EXPECT_GE(taker.bytes.size(), 2u);  // the last file, and a volume of the run
    EXPECT_EQ(set_files(), before);
}

// A set whose next volume is not there reads as missing that volume, also
// when the stored bytes before the trailer read as a longer volume name,
// one that no file system takes.
TEST(SetWriter, AMissingVolumeIsNamedWhateverTheBytesBeforeTheTrailer) {
    SpanningSet set;
    const auto whole = read_set_layout(set.main, false, false, 1);
    ASSERT_GE(whole.layout.files.size(), 2u);
    const bk::String volume = whole.layout.files[1].path;
    const std::size_t unit = whole.layout.format->is_unicode() ? 2 : 1;
    const std::size_t name_bytes = whole.layout.format->string_size(bk::Path::file_name(volume));
    std::filesystem::remove(bk::to_native_path(volume));
    const std::string written = read_bytes(set.dir / "set.bvf");
    for (const std::size_t length : {0, 300, 5000}) {  // 0: the bytes as written
        SCOPED_TRACE(length);
        std::string bytes = written;
        if (length > 0) {
            // A length word, then "x" up to the real name's length word.
            const std::size_t at = bytes.size() - 2 - length * unit;
            bytes[at] = static_cast<char>(length >> 8);
            bytes[at + 1] = static_cast<char>(length & 0xFF);
            for (std::size_t i = at + 2; i < bytes.size() - name_bytes; i += unit) {
                bytes[i] = 'x';
                if (unit == 2) bytes[i + 1] = '\0';
            }
        }
        write_bytes(set.dir / "set.bvf", bytes);
        const auto read = read_set_layout(set.main, false, false, 1);
        EXPECT_EQ(read.error, LayoutError::missing_volume);
        EXPECT_EQ(read.missing_volume, volume);
    }
}

}  // namespace
}  // namespace brim::archive
