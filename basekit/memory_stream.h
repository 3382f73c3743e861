#pragma once
// Streams over bytes in memory: archives and stores read from a buffer (the
// fuzzers, the tests) and written into one.
#include <cstdint>
#include <span>
#include <vector>

#include "basekit/stream.h"

namespace bk {

// Reads a byte span that the caller keeps alive.
class MemoryInputStream : public InputStream {
public:
    explicit MemoryInputStream(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    using InputStream::read;
    int read(std::uint8_t* buffer, int length) override;
    std::int64_t seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t available() override;

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// Collects written bytes; seeking moves the write position inside them.
class MemoryOutputStream : public OutputStream {
public:
    using OutputStream::write;
    void write(const std::uint8_t* bytes, std::uint32_t length) override;
    std::int64_t seek(std::int64_t offset, SeekOrigin origin) override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

}  // namespace bk
