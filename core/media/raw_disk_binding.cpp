#include "core/media/raw_disk_binding.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/exception.h"
#include "basekit/platform/os_volume.h"
#include "core/core_strings.h"

namespace brim {
namespace {

struct ErrorText {
    std::uint32_t code;
    const char16_t* text;
};

// The module's own texts; any other code is the platform's.
constexpr ErrorText error_table[] = {
    {HDRW_E_OPEN_PARTITION, u"Can't open specified partition."},
    {HDRW_E_FILE_SYSTEM, u"File system can not be recognized."},
    {HDRW_E_DOS_NAME, u"DOS name error."},
    {HDRW_E_CLUSTER, u"Invalid cluster number"},
    {HDRW_E_MEMORY, u"Insufficient memory."},
    {HDRW_E_PATH, u"Incorrect path."},
    {HDRW_E_NOT_FOUND, u"Files or path don't exist."},
    {HDRW_E_EXISTS, u"File exists"},
    {HDRW_E_INTERNAL, u"Internal error of file system."},
    {HDRW_E_SPACE, u"Insufficient space."},
    {HDRW_E_OPEN_FILE, u"Specified file can't be opened."},
    {HDRW_E_ACCESS, u"Specified file can't be accessed."},
    {HDRW_E_ROOT_FULL, u"Root directory is full."},
    {HDRW_E_NO_PARTITION, u"Specified partition does not exist."},
    {HDRW_E_NO_DISK, u"Specified disk does not exist."},
    {HDRW_E_LOCK_TIMEOUT, u"Time out,locking volume failed."},
    {HDRW_E_MAGIC, u"Wrong magic number."},
    {HDRW_E_NOT_FORMATTED, u"Partition is not formatted."},
    {HDRW_E_CLUSTERS, u"Clusters unmatch."},
    {HDRW_E_LOAD, u"Load file failed."},
    {HDRW_E_HANDLE, u"Invalid file handler."},
    {HDRW_E_LOCATE, u"File system error,file can't be located."},
};

constexpr std::uint32_t no_privilege_message = 234;
constexpr std::uint32_t cannot_load_message = 232;

std::mutex instance_mutex;
std::unique_ptr<RawDiskBinding> the_instance;

// A file opened through the module, read in 64 KiB pieces.
class RawDiskInputStream final : public bk::InputStream {
public:
    RawDiskInputStream(HdrwHandle handle, bk::String path, HdrwReadFileFn read, HdrwCloseFileFn close,
                       HdrwGetLastErrorFn last_error)
        : handle_(handle), path_(std::move(path)), read_(read), close_(close), last_error_(last_error),
          piece_(HDRW_READ_PIECE) {}
    ~RawDiskInputStream() override { close(); }

    using bk::InputStream::read;
    int read(std::uint8_t* buffer, int length) override {
        if (handle_ == 0) throw bk::IOException(u"The stream is closed.", bk::error::invalid_handle, path_);
        if (length <= 0) return 0;
        if (next_ == filled_ && !fill()) return -1;
        const auto count = std::min<std::size_t>(static_cast<std::size_t>(length), filled_ - next_);
        std::copy_n(piece_.data() + next_, count, buffer);
        next_ += count;
        position_ += static_cast<std::int64_t>(count);
        return static_cast<int>(count);
    }
    // The stream only goes forward: the position can be asked, not changed.
    std::int64_t seek(std::int64_t offset, bk::SeekOrigin origin) override {
        if (offset == 0 && origin == bk::SeekOrigin::Current) return position_;
        throw bk::IOException(bk::system_error(u"", bk::error::seek_on_device), bk::error::seek_on_device, path_);
    }
    void close() override {
        if (handle_ != 0) close_(handle_);
        handle_ = 0;
    }

private:
    bool fill() {
        std::uint32_t got = 0;
        if (read_(handle_, piece_.data(), HDRW_READ_PIECE, &got) == 0) {
            const std::uint32_t code = last_error_(0);
            throw bk::IOException(raw_disk_error_text(code), static_cast<std::int32_t>(code), path_);
        }
        next_ = 0;
        filled_ = got;
        return got != 0;
    }

    HdrwHandle handle_;
    bk::String path_;
    HdrwReadFileFn read_;
    HdrwCloseFileFn close_;
    HdrwGetLastErrorFn last_error_;
    std::vector<std::uint8_t> piece_;
    std::size_t next_ = 0, filled_ = 0;
    std::int64_t position_ = 0;
};

}  // namespace

bk::String raw_disk_error_text(std::uint32_t code) {
    for (const auto& entry : error_table)
        if (entry.code == code) return entry.text;
    return bk::system_error(u"", static_cast<std::int32_t>(code));
}

bk::String raw_disk_outcome_warning(RawDiskOutcome outcome) {
    switch (outcome) {
        case RawDiskOutcome::ready: return {};
        case RawDiskOutcome::cannot_load: return core_string(cannot_load_message);
        case RawDiskOutcome::no_privilege: return core_string(no_privilege_message);
    }
    return {};
}

RawDiskBinding::RawDiskBinding(const bk::String& directory, const std::vector<bk::String>& roots)
    : module_(directory, module_name) {
    if (module_.loaded() && module_.resolve("Hdrw_GetLastError", get_last_error_) &&
        module_.resolve("Hdrw_GetPartition", get_partition_)) {
        outcome_ = probe(roots);
        if (outcome_ == RawDiskOutcome::ready &&
            !(module_.resolve("Hdrw_OpenFile", open_file_) && module_.resolve("Hdrw_CloseFile", close_file_) &&
              module_.resolve("Hdrw_ReadFile", read_file_)))
            outcome_ = RawDiskOutcome::cannot_load;
    }
    if (outcome_ != RawDiskOutcome::ready) module_.release();
}

RawDiskOutcome RawDiskBinding::probe(const std::vector<bk::String>& roots) const {
    for (const bk::String& root : roots) {
        if (get_partition_(bk::to_native_path(root).c_str()) != 0) return RawDiskOutcome::ready;
        if (get_last_error_(0) == HDRW_E_NO_PARTITION) break;
    }
    return RawDiskOutcome::no_privilege;
}

RawDiskBinding& RawDiskBinding::instance() {
    const std::lock_guard lock(instance_mutex);
    if (!the_instance)
        the_instance = std::make_unique<RawDiskBinding>(module_search_directory(), bk::os::fixed_volume_roots());
    return *the_instance;
}

void RawDiskBinding::del_instance() {
    const std::lock_guard lock(instance_mutex);
    the_instance.reset();
}

std::unique_ptr<bk::InputStream> RawDiskBinding::open(const bk::String& path) const {
    if (!ready()) throw bk::InvalidOperationException(raw_disk_outcome_warning(outcome_));
    HdrwFileInfo info{};
    const HdrwHandle handle = open_file_(bk::to_native_path(path).c_str(), HDRW_READ_MODE, &info, 0);
    if (handle == 0) {
        const std::uint32_t code = get_last_error_(0);
        throw bk::IOException(raw_disk_error_text(code), static_cast<std::int32_t>(code), path);
    }
    if ((info.attributes & HDRW_ATTR_ENCRYPTED) != 0) {
        close_file_(handle);
        return nullptr;
    }
    return std::make_unique<RawDiskInputStream>(handle, path, read_file_, close_file_, get_last_error_);
}

}  // namespace brim
