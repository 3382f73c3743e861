#pragma once
// One file of an archive set open for writing: appends go through a large
// buffer, earlier bytes can be patched in place, and sync() puts everything
// on the disk. Not copyable; one thread.
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/file_stream.h"
#include "basekit/types.h"

namespace brim::archive {

class SetFileWriter final {
public:
    // Opens an existing file (appending at `end`, which cuts off whatever
    // lies beyond it) or creates a new one. Throws IOException.
    static std::unique_ptr<SetFileWriter> create(bk::StringView path, std::size_t buffer_size);
    static std::unique_ptr<SetFileWriter> open_at(bk::StringView path, std::uint64_t end, std::size_t buffer_size);
    ~SetFileWriter();
    SetFileWriter(const SetFileWriter&) = delete;
    SetFileWriter& operator=(const SetFileWriter&) = delete;

    void write(const std::uint8_t* bytes, std::size_t size);
    void write(const std::vector<std::uint8_t>& bytes) { write(bytes.data(), bytes.size()); }
    // Rewrites bytes already written at `offset` (buffered ones too).
    void patch(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size);
    // Cuts the file back to `length` bytes; later writes continue there.
    void truncate(std::uint64_t length);
    // Hands the buffered bytes to the file system.
    void flush();
    // flush(), then waits until the file's bytes are on the disk.
    void sync();
    void close();

    // The file's length including buffered bytes.
    std::uint64_t size() const { return written_ + buffer_.size(); }
    const bk::String& path() const { return path_; }

private:
    SetFileWriter(bk::StringView path, std::unique_ptr<bk::FileOutputStream> file, std::uint64_t end,
                  std::size_t buffer_size);

    bk::String path_;
    std::unique_ptr<bk::FileOutputStream> file_;
    std::uint64_t written_;  // bytes in the file itself
    std::size_t capacity_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace brim::archive
