#include "core/archive/catalogue.h"

#include <random>

#include <gtest/gtest.h>

#include "basekit/exception.h"
#include "basekit/memory_stream.h"

namespace brim::archive {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<DataHeader> file(const char16_t* name, std::int64_t size) {
    auto item = std::make_unique<DataHeader>(ItemKind::file, name);
    item->size = static_cast<std::uint64_t>(size);
    item->stored_size = size;
    item->modified = size * 1000;
    item->posix_mode = 0100644;
    return item;
}

std::unique_ptr<DataHeader> directory(const char16_t* path) {
    auto item = std::make_unique<DataHeader>(ItemKind::directory, path);
    item->attributes = 0x10;
    item->posix_mode = 040755;
    return item;
}

// /src with a/ (holding b/ with x, and y), an empty e/, a file z; then a
// top-level file source /other/t.
std::unique_ptr<DataHeader> sample_tree() {
    auto root = std::make_unique<DataHeader>(ItemKind::directory, u"");
    DataHeader& src = root->add_directory(directory(u"/src"));
    DataHeader& a = src.add_directory(directory(u"/src/a"));
    DataHeader& b = a.add_directory(directory(u"/src/a/b"));
    b.add_file(file(u"x", 65536));
    a.add_file(file(u"y", 65537));
    src.add_directory(directory(u"/src/e"));
    src.add_file(file(u"z", 0));
    root->add_file(file(u"/other/t", 5));
    recount(*root);
    return root;
}

Bytes write(const DataHeader& root, std::uint32_t* count = nullptr) {
    bk::MemoryOutputStream sink;
    bk::DataOutputStream out(&sink, false);
    const std::uint32_t n = write_catalogue(ArchiveFormatV2(), out, root);
    if (count != nullptr) *count = n;
    return sink.bytes();
}

std::unique_ptr<DataHeader> read(const Bytes& bytes, std::uint32_t dirs, std::uint32_t files) {
    bk::MemoryInputStream memory(bytes);
    bk::DataInputStream in(&memory, false);
    return read_catalogue(ArchiveFormatV2(), in, dirs, files);
}

std::vector<bk::String> file_order(const DataHeader& root) {
    std::vector<bk::String> names;
    for_each_file(root, [&](const DataHeader& f) { names.push_back(f.full_path()); });
    return names;
}

TEST(Catalogue, CountsSubtreesAndKeepsCatalogueOrder) {
    const auto root = sample_tree();
    EXPECT_EQ(root->subtree_directories, 4u);
    EXPECT_EQ(root->subtree_files, 4u);
    const DataHeader& src = *root->directories()[0];
    EXPECT_EQ(src.subtree_directories, 3u);
    EXPECT_EQ(src.subtree_files, 3u);
    EXPECT_EQ(src.size, 131073u);
    EXPECT_EQ(file_order(*root),
              (std::vector<bk::String>{u"/src/a/b/x", u"/src/a/y", u"/src/z", u"/other/t"}));
}

TEST(Catalogue, RoundTripsATreeWithDataOffsets) {
    const auto root = sample_tree();
    std::uint32_t count = 0;
    const Bytes bytes = write(*root, &count);
    EXPECT_EQ(count, bytes.size());
    const auto back = read(bytes, root->subtree_directories, root->subtree_files);
    EXPECT_EQ(file_order(*back), file_order(*root));
    const DataHeader& b = *back->directories()[0]->directories()[0]->directories()[0];
    EXPECT_EQ(b.name(), u"/src/a/b");
    EXPECT_EQ(b.posix_mode, 040755u);
    std::vector<std::uint64_t> offsets;
    for_each_file(*back, [&](const DataHeader& f) { offsets.push_back(f.data_offset); });
    EXPECT_EQ(offsets, (std::vector<std::uint64_t>{0, 65540, 131081, 131085}));
    EXPECT_TRUE(back->directories()[0]->directories()[1]->files().empty());  // the empty directory
}

TEST(Catalogue, DirectoriesOnly) {
    auto root = std::make_unique<DataHeader>(ItemKind::directory, u"");
    root->add_directory(directory(u"/lonely"));
    recount(*root);
    const auto back = read(write(*root), 1, 0);
    ASSERT_EQ(back->directories().size(), 1u);
    EXPECT_EQ(back->directories()[0]->name(), u"/lonely");
}

TEST(Catalogue, CountsThatDisagreeWithTheRecordsAreDamage) {
    const auto root = sample_tree();
    const Bytes bytes = write(*root);
    EXPECT_THROW(read(bytes, 3, 4), bk::FormatException);  // a directory more than the header says
    EXPECT_THROW(read(bytes, 4, 2), bk::FormatException);
    EXPECT_THROW(read(bytes, 4, 5), bk::EOFException);  // the records end first
    Bytes unknown_tag = bytes;
    unknown_tag[0] = 0x09;
    EXPECT_THROW(read(unknown_tag, 4, 4), bk::FormatException);
}

TEST(Catalogue, DamagedBytesNeverCrash) {
    const auto root = sample_tree();
    const Bytes bytes = write(*root);
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = bytes;
        damaged.resize(random() % (bytes.size() + 1));
        for (int flips = random() % 4; flips > 0 && !damaged.empty(); --flips)
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        try {
            read(damaged, 4, 4);
        } catch (const bk::Exception&) {
        }
    }
}

}  // namespace
}  // namespace brim::archive
