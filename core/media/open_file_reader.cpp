#include "core/media/open_file_reader.h"

#include "basekit/error_code.h"
#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "basekit/platform/os_volume.h"
#include "basekit/text_format.h"
#include "core/core_strings.h"

namespace brim {
namespace {

constexpr std::uint32_t summary_message = 211;

std::unique_ptr<bk::InputStream> open_ordinary(const bk::String& path) {
    return std::make_unique<bk::FileInputStream>(path, bk::FileShare::ReadWrite);
}

}  // namespace

OpenFileReader::OpenFileReader(const RawDiskBinding& binding, Opener ordinary)
    : binding_(binding), ordinary_(ordinary ? std::move(ordinary) : Opener(open_ordinary)) {}

bool OpenFileReader::is_refusal(std::int32_t code) {
    return code == bk::error::access_denied || code == bk::error::sharing_violation ||
           code == bk::error::lock_violation;
}

std::unique_ptr<bk::InputStream> OpenFileReader::open(const bk::String& path) {
    try {
        return ordinary_(path);
    } catch (const bk::IOException& refused) {
        if (!binding_.ready() || !is_refusal(refused.error_code()) ||
            bk::os::volume_kind(path) != bk::os::VolumeKind::fixed)
            throw;
        auto stream = binding_.open(path);
        if (!stream) throw;
        ++files_read_;
        return stream;
    }
}

bk::String OpenFileReader::summary() const {
    const std::uint32_t count = files_read_;
    if (count == 0) return {};
    return bk::format_text(core_string(summary_message), {static_cast<int>(count)});
}

}  // namespace brim
