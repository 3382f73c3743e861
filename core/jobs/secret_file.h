#pragma once
// Whole-file reading and writing for the small binary stores that hold
// secrets (the job passwords, the logon entries).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "basekit/types.h"

namespace brim {

// Files holding secrets are readable and writable by their owner only.
inline constexpr unsigned secret_file_mode = 0600;

struct FileStart {
    std::vector<std::uint8_t> bytes;  // the first min(length, limit) bytes
    std::uint64_t length = 0;         // the whole file's length
};

// Reads at most `limit` bytes from the start of the file, so that an
// oversized file is never read whole. Throws IOException when the file is
// missing or cannot be read.
[[nodiscard]] FileStart read_file_start(bk::StringView path, std::size_t limit);

// Replaces the file with `bytes` through a temporary file, a flush to disk
// and a rename, created with secret_file_mode: after a crash the file holds
// its old or its new content. Throws IOException; the old content then stays.
void replace_secret_file(bk::StringView path, const std::vector<std::uint8_t>& bytes);

}  // namespace brim
