#include "core/media/replay_buffer.h"

#include <algorithm>
#include <cstring>

namespace brim {

void ReplayBuffer::append(const std::uint8_t* bytes, std::size_t length) {
    if (length == 0) return;
    if (!ring_) ring_.reset(new std::uint8_t[capacity_]);
    if (length > capacity_) {
        bytes += length - capacity_;
        end_ += static_cast<std::int64_t>(length - capacity_);
        length = capacity_;
    }
    while (length > 0) {
        const std::size_t at = static_cast<std::size_t>(end_ % static_cast<std::int64_t>(capacity_));
        const std::size_t part = std::min(length, capacity_ - at);
        std::memcpy(ring_.get() + at, bytes, part);
        bytes += part;
        length -= part;
        end_ += static_cast<std::int64_t>(part);
        size_ = std::min(capacity_, size_ + part);
    }
}

void ReplayBuffer::copy(std::int64_t offset, std::uint8_t* out, std::size_t length) const {
    while (length > 0) {
        const std::size_t at = static_cast<std::size_t>(offset % static_cast<std::int64_t>(capacity_));
        const std::size_t part = std::min(length, capacity_ - at);
        std::memcpy(out, ring_.get() + at, part);
        out += part;
        length -= part;
        offset += static_cast<std::int64_t>(part);
    }
}

}  // namespace brim
