#include "basekit/memory_stream.h"

#include <algorithm>
#include <cstring>

#include "basekit/exception.h"

namespace bk {
namespace {

std::int64_t target_of(std::int64_t offset, SeekOrigin origin, std::size_t position,
                       std::size_t size) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(position);
    if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(size);
    const std::int64_t target = base + offset;
    if (target < 0) throw IOException(u"Invalid seek", 131);
    return target;
}

}  // namespace

int MemoryInputStream::read(std::uint8_t* buffer, int length) {
    if (length <= 0) return 0;
    if (position_ >= bytes_.size()) return -1;
    const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(length), bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, take);
    position_ += take;
    return static_cast<int>(take);
}

std::int64_t MemoryInputStream::seek(std::int64_t offset, SeekOrigin origin) {
    const auto before = static_cast<std::int64_t>(position_);
    position_ = static_cast<std::size_t>(target_of(offset, origin, position_, bytes_.size()));
    return static_cast<std::int64_t>(position_) - before;
}

std::int64_t MemoryInputStream::available() {
    return position_ >= bytes_.size() ? 0 : static_cast<std::int64_t>(bytes_.size() - position_);
}

void MemoryOutputStream::write(const std::uint8_t* bytes, std::uint32_t length) {
    if (position_ + length > bytes_.size()) bytes_.resize(position_ + length);
    std::memcpy(bytes_.data() + position_, bytes, length);
    position_ += length;
}

std::int64_t MemoryOutputStream::seek(std::int64_t offset, SeekOrigin origin) {
    position_ = static_cast<std::size_t>(target_of(offset, origin, position_, bytes_.size()));
    return static_cast<std::int64_t>(position_);
}

}  // namespace bk
