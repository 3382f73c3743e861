#pragma once
// A store text file (log or report file) opened for a change under an
// exclusive advisory lock, so that appends and rewrites from several threads
// or processes never interleave. Appends go 14 bytes before the end, over the
// closing "</brimvault>" line, which the appended bytes write again.
#include <cstdint>
#include <vector>

#include "basekit/platform/os_file.h"
#include "basekit/types.h"

namespace brim {

class LockedTextFile final {
public:
    // Opens `path` for reading and writing, creating it empty when missing,
    // and waits for the exclusive lock. Throws IOException.
    explicit LockedTextFile(bk::StringView path);
    ~LockedTextFile();
    LockedTextFile(const LockedTextFile&) = delete;
    LockedTextFile& operator=(const LockedTextFile&) = delete;

    std::int64_t size();
    // At least 15 bytes long and ending in the closing line with its CR LF:
    // a complete frame that an append may extend.
    bool is_complete();
    // Writes `bytes` (records followed by the closing line) over the closing
    // line. Only for a complete file.
    void append(const std::vector<std::uint8_t>& bytes);
    // Replaces the whole content by `bytes` and hands it to the disk.
    void rewrite(const std::vector<std::uint8_t>& bytes);

private:
    bk::String path_;
    bk::os::Handle handle_ = bk::os::invalid_handle;
};

}  // namespace brim
