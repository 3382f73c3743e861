#include "core/engine/item_source.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/system_file.h"
#include "tests/support/temp_dir.h"

namespace brim {
namespace {

std::string read_all(bk::InputStream& in) {
    std::string bytes;
    std::uint8_t buffer[7];
    int n;
    while ((n = in.read(buffer, sizeof buffer)) > 0) bytes.append(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(n));
    return bytes;
}

std::unique_ptr<DataHeader> item_for(const std::filesystem::path& path) {
    const bk::String name = bk::from_native_path(path.string());
    auto item = std::make_unique<DataHeader>(ItemKind::file, name);
    const bk::SystemFile status(name);
    item->posix_mode = status.posix_mode();
    item->attributes = status.file_attrs();
    return item;
}

TEST(ItemSource, FilesGiveTheirBytesAndLinksTheirTarget) {
    brim_test::TempDir dir;
    brim_test::write_bytes(dir / "data", "the file's own bytes");
    ::symlink("../elsewhere/\xFFtarget", (dir / "link").c_str());
    ::symlink("data", (dir / "link-to-data").c_str());
    auto file = open_local_item(*item_for(dir / "data"));
    EXPECT_EQ(read_all(*file), "the file's own bytes");
    auto link = open_local_item(*item_for(dir / "link"));
    EXPECT_EQ(read_all(*link), "../elsewhere/\xFFtarget");  // exact bytes, never followed
    auto to_data = open_local_item(*item_for(dir / "link-to-data"));
    EXPECT_EQ(read_all(*to_data), "data");
    EXPECT_THROW(open_local_item(*item_for(dir / "missing")), bk::IOException);
}

}  // namespace
}  // namespace brim
