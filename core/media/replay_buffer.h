#pragma once
// The bytes of an upload that may have to be sent again: a ring of fixed
// capacity over a window [begin, end) of absolute stream offsets. Appending
// past the capacity forgets the oldest bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace brim {

class ReplayBuffer final {
public:
    explicit ReplayBuffer(std::size_t capacity) : capacity_(capacity) {}

    std::int64_t begin() const { return end_ - static_cast<std::int64_t>(size_); }
    std::int64_t end() const { return end_; }

    void append(const std::uint8_t* bytes, std::size_t length);
    // Copies `length` bytes from absolute `offset`; the range must lie in the window.
    void copy(std::int64_t offset, std::uint8_t* out, std::size_t length) const;

private:
    std::size_t capacity_;
    std::unique_ptr<std::uint8_t[]> ring_;  // allocated on the first append, left untouched until used
    std::size_t size_ = 0;
    std::int64_t end_ = 0;
};

}  // namespace brim
