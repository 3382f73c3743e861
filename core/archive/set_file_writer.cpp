#include "core/archive/set_file_writer.h"

#include <algorithm>
#include <cstring>

#include "basekit/exception.h"
#include "basekit/platform/os_file.h"

namespace brim::archive {

std::unique_ptr<SetFileWriter> SetFileWriter::create(bk::StringView path, std::size_t buffer_size) {
    auto file = std::make_unique<bk::FileOutputStream>(path, bk::FileMode::Create);
    return std::unique_ptr<SetFileWriter>(new SetFileWriter(path, std::move(file), 0, buffer_size));
}

std::unique_ptr<SetFileWriter> SetFileWriter::open_at(bk::StringView path, std::uint64_t end, std::size_t buffer_size) {
    auto file = std::make_unique<bk::FileOutputStream>(path, bk::FileMode::Open);
    bk::os::truncate(file->get_handle(), static_cast<std::int64_t>(end), path);
    file->seek(static_cast<std::int64_t>(end), bk::SeekOrigin::Begin);
    return std::unique_ptr<SetFileWriter>(new SetFileWriter(path, std::move(file), end, buffer_size));
}

SetFileWriter::SetFileWriter(bk::StringView path, std::unique_ptr<bk::FileOutputStream> file, std::uint64_t end,
                             std::size_t buffer_size)
    : path_(path), file_(std::move(file)), written_(end), capacity_(std::max<std::size_t>(buffer_size, 4096)) {
    buffer_.reserve(capacity_);
}

SetFileWriter::~SetFileWriter() {
    try {
        close();
    } catch (const bk::Exception&) {
    }
}

void SetFileWriter::write(const std::uint8_t* bytes, std::size_t size) {
    if (buffer_.size() + size > capacity_) flush();
    if (size >= capacity_) {
        // Large blocks go straight to the file; no copy through the buffer.
        while (size > 0) {
            const auto step = static_cast<std::uint32_t>(std::min<std::size_t>(size, 1u << 30));
            file_->write(bytes, step);
            bk::os::start_writeback(file_->get_handle(), static_cast<std::int64_t>(written_), step);
            written_ += step;
            bytes += step;
            size -= step;
        }
        return;
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
}

void SetFileWriter::patch(std::uint64_t offset, const std::uint8_t* bytes, std::size_t size) {
    // Bytes still in the buffer are patched there; the rest in the file.
    const std::uint64_t buffered_from = written_;
    std::size_t in_file = 0;
    if (offset < buffered_from) {
        in_file = static_cast<std::size_t>(std::min<std::uint64_t>(size, buffered_from - offset));
        file_->seek(static_cast<std::int64_t>(offset), bk::SeekOrigin::Begin);
        file_->write(bytes, static_cast<std::uint32_t>(in_file));
        file_->seek(static_cast<std::int64_t>(written_), bk::SeekOrigin::Begin);
    }
    if (in_file < size) {
        const std::uint64_t start = offset + in_file - buffered_from;
        std::memcpy(buffer_.data() + start, bytes + in_file, size - in_file);
    }
}

void SetFileWriter::truncate(std::uint64_t length) {
    flush();
    bk::os::truncate(file_->get_handle(), static_cast<std::int64_t>(length), path_);
    file_->seek(static_cast<std::int64_t>(length), bk::SeekOrigin::Begin);
    written_ = length;
}

void SetFileWriter::flush() {
    if (buffer_.empty()) return;
    file_->write(buffer_.data(), static_cast<std::uint32_t>(buffer_.size()));
    // The run is synced before it counts: writing back as it goes leaves
    // the disk little to do then, and overlaps it with reading the sources.
    bk::os::start_writeback(file_->get_handle(), static_cast<std::int64_t>(written_),
                            static_cast<std::int64_t>(buffer_.size()));
    written_ += buffer_.size();
    buffer_.clear();
}

void SetFileWriter::sync() {
    flush();
    file_->flush();
}

void SetFileWriter::close() {
    if (!file_) return;
    flush();
    file_->close();
    file_.reset();
}

}  // namespace brim::archive
