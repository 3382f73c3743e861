#include "core/jobs/secret_file.h"

#include <algorithm>
#include <limits>

#include "basekit/file_ops.h"
#include "basekit/file_stream.h"
#include "basekit/system_file.h"

namespace brim {

FileStart read_file_start(bk::StringView path, std::size_t limit) {
    bk::FileInputStream in(path, bk::FileShare::Read);
    FileStart start;
    start.length = bk::File(path).length();
    start.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(start.length, limit)));
    std::size_t done = 0;
    while (done < start.bytes.size()) {
        const std::size_t want = std::min<std::size_t>(start.bytes.size() - done, std::numeric_limits<int>::max());
        const int got = in.read(start.bytes.data() + done, static_cast<int>(want));
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    // A file that shrank while being read is read as what it held.
    start.bytes.resize(done);
    return start;
}

void replace_secret_file(bk::StringView path, const std::vector<std::uint8_t>& bytes) {
    bk::ReplacingFileWriter writer(path, secret_file_mode);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 0x40000000);
        writer.stream().write(bytes.data() + done, static_cast<std::uint32_t>(chunk));
        done += chunk;
    }
    writer.commit();
}

}  // namespace brim
