#pragma once
// Buffering decorators. A decorator never owns its wrapped stream unless its
// flags say so; the caller keeps the wrapped stream alive until the decorator
// is closed or destroyed. Destroying a decorator closes it.
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/stream.h"

namespace bk {

class BufferedInputStream : public InputStream {
public:
    static constexpr std::uint32_t default_size = 2048;

    BufferedInputStream(InputStream* in, bool delete_wrapped, bool close_wrapped);
    BufferedInputStream(InputStream* in, std::uint32_t capacity, bool delete_wrapped,
                        bool close_wrapped);
    ~BufferedInputStream() override;
    BufferedInputStream(const BufferedInputStream&) = delete;
    BufferedInputStream& operator=(const BufferedInputStream&) = delete;

    int read() override;
    int read(std::uint8_t* buffer, int length) override;
    std::int64_t seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t available() override;
    void close() override;

private:
    void allocate(std::uint32_t capacity);
    void check_open() const;
    int fill();
    int buffered() const { return count_ - index_; }

    InputStream* in_;
    bool delete_wrapped_;
    bool close_wrapped_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint32_t capacity_ = 0;
    int count_ = 0;
    int index_ = 0;
};

// Holds every written byte until flush(), seek() or close(), then passes them
// on in one write.
class BufferedOutputStream : public OutputStream {
public:
    BufferedOutputStream(OutputStream* out, bool delete_wrapped, bool close_wrapped);
    BufferedOutputStream(OutputStream* out, std::uint32_t initial_capacity, bool delete_wrapped,
                         bool close_wrapped);
    ~BufferedOutputStream() override;
    BufferedOutputStream(const BufferedOutputStream&) = delete;
    BufferedOutputStream& operator=(const BufferedOutputStream&) = delete;

    using OutputStream::write;
    void write(const std::uint8_t* bytes, std::uint32_t length) override;
    std::int64_t seek(std::int64_t offset, SeekOrigin origin) override;
    void flush() override;
    void close() override;
    const std::uint8_t* buffer() const override;

private:
    void check_open() const;
    void pass_on();

    OutputStream* out_;
    bool delete_wrapped_;
    bool close_wrapped_;
    bool has_buffer_ = false;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace bk
