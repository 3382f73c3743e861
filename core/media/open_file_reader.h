#pragma once
// The open-file path of a backup run: a file whose ordinary open is refused
// (access denied, sharing or lock violation) on a fixed volume is read
// through the raw-disk reader instead, and counted.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "basekit/stream.h"
#include "basekit/types.h"
#include "core/media/raw_disk_binding.h"

namespace brim {

class OpenFileReader final {
public:
    // How a file is opened the ordinary way; throws IOException on failure.
    using Opener = std::function<std::unique_ptr<bk::InputStream>(const bk::String& path)>;

    // `binding` (not owned) is the reader to fall back on; when it is not
    // ready nothing falls back. `ordinary` defaults to a FileInputStream.
    explicit OpenFileReader(const RawDiskBinding& binding, Opener ordinary = {});

    // Opens `path` the ordinary way; when that is refused with code 5, 32 or
    // 33 and the file lies on a fixed volume, reads it through the raw-disk
    // reader and counts it. Otherwise, and for a file the reader will not
    // read (encrypted), the ordinary failure is thrown again. A failure of
    // the reader throws its IOException.
    std::unique_ptr<bk::InputStream> open(const bk::String& path);

    // Files read through the raw-disk reader so far.
    std::uint32_t files_read() const { return files_read_; }
    // The run's summary line (message 211), empty when no file was read that way.
    bk::String summary() const;

    // Whether an ordinary failure with `code` may fall back.
    static bool is_refusal(std::int32_t code);

private:
    const RawDiskBinding& binding_;
    Opener ordinary_;
    std::atomic<std::uint32_t> files_read_{0};
};

}  // namespace brim
