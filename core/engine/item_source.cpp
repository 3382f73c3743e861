#include "core/engine/item_source.h"

#include <span>
#include <string>

#include "basekit/convertion.h"
#include "basekit/file_stream.h"
#include "basekit/memory_stream.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"

namespace brim {
namespace {

constexpr std::uint32_t posix_type_mask = 0170000;
constexpr std::uint32_t posix_link = 0120000;

// A memory stream that owns the bytes it reads.
class OwnedBytesStream final : public bk::InputStream {
public:
    explicit OwnedBytesStream(std::string bytes)
        : bytes_(std::move(bytes)),
          memory_(std::span(reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size())) {}
    using bk::InputStream::read;
    int read(std::uint8_t* buffer, int length) override { return memory_.read(buffer, length); }
    std::int64_t seek(std::int64_t offset, bk::SeekOrigin origin) override { return memory_.seek(offset, origin); }
    std::int64_t available() override { return memory_.available(); }

private:
    std::string bytes_;
    bk::MemoryInputStream memory_;
};

}  // namespace

bool is_link_item(const DataHeader& item) {
    return (item.posix_mode & posix_type_mask) == posix_link ||
           ((item.attributes & bk::file_attribute::reparse_point) != 0 &&
            item.attributes != bk::file_attribute::not_found);
}

std::unique_ptr<bk::InputStream> open_local_item(const DataHeader& item) {
    const bk::String path = item.full_path();
    if (is_link_item(item)) return std::make_unique<OwnedBytesStream>(bk::to_native_path(bk::os::read_link(path)));
    // The scan listed it as a file a moment ago.
    return std::make_unique<bk::FileInputStream>(path, bk::FileShare::ReadWrite, bk::DirectoryCheck::on_read);
}

}  // namespace brim
