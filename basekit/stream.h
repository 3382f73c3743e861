#pragma once
// The abstract byte streams every persistent format is read and written
// through. Decorators stack: a DataOutputStream over a BufferedOutputStream
// over a FileOutputStream, and the same for input.
#include <cstddef>
#include <cstdint>

namespace bk {

enum class SeekOrigin : std::int32_t { Begin = 0, Current = 1, End = 2 };

class InputStream {
public:
    virtual ~InputStream() = default;
    // Reads up to `length` bytes; the count read, or -1 at the end of data.
    virtual int read(std::uint8_t* buffer, int length) = 0;
    // One byte as 0..255, or -1 when there is none.
    virtual int read();
    virtual std::int64_t seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual void close() {}
    // How many bytes can still be read; 0 when the stream cannot tell.
    virtual std::int64_t available() { return 0; }
};

class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual void write(const std::uint8_t* bytes, std::uint32_t length) = 0;
    // Writes the low byte of `byte`.
    virtual void write(int byte);
    virtual std::int64_t seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual void flush() {}
    virtual void close() {}
    // The bytes not yet passed on, for streams that hold some; else null.
    virtual const std::uint8_t* buffer() const { return nullptr; }
};

// Reads until `size` bytes arrived or the stream ends; returns the count.
std::size_t read_up_to(InputStream& in, std::uint8_t* buffer, std::size_t size);

}  // namespace bk
