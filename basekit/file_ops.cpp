#include "basekit/file_ops.h"

#include <cstdint>
#include <vector>

#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"

namespace bk {

void copy_file(StringView from, StringView to) {
    FileInputStream in(from, FileShare::Read);
    FileOutputStream out(to, FileMode::Create, FileShare::None);
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        const int got = in.read(buffer.data(), static_cast<int>(buffer.size()));
        if (got <= 0) break;
        out.write(buffer.data(), static_cast<std::uint32_t>(got));
    }
    out.close();
}

void replace_file(StringView from, StringView to) {
    os::rename_entry(from, to);
    const String directory = Path::directory_name(Path::make_full_path(to));
    if (!directory.empty()) os::sync_directory(directory);
}

ReplacingFileWriter::ReplacingFileWriter(StringView target, unsigned permissions)
    : target_(target), temp_(String(target) + temp_suffix) {
    // A temporary file left by a crash may carry other permissions.
    os::remove_file(temp_);
    stream_ = std::make_unique<FileOutputStream>(temp_, FileMode::CreateNew, FileShare::None, permissions);
}

ReplacingFileWriter::~ReplacingFileWriter() {
    if (committed_) return;
    try {
        stream_.reset();
        os::remove_file(temp_);
    } catch (const Exception&) {
    }
}

void ReplacingFileWriter::commit() {
    stream_->flush();
    stream_->close();
    replace_file(temp_, target_);
    committed_ = true;
}

FileLock::FileLock(os::Handle handle, StringView path, bool exclusive) : handle_(handle), path_(path) {
    os::lock(handle_, exclusive, path_);
}

FileLock::~FileLock() {
    try {
        os::unlock(handle_, path_);
    } catch (const Exception&) {
    }
}

}  // namespace bk
