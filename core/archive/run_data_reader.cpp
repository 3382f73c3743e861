#include "core/archive/run_data_reader.h"

#include <algorithm>
#include <cstring>

#include "basekit/exception.h"
#include "basekit/system_file.h"

namespace brim::archive {

SetFiles::SetFiles(const SetLayout& layout, VolumeLocator locate)
    : layout_(layout), locate_(std::move(locate)) {}

SetFiles::SetFiles(const SetLayout& layout, FileOpener open) : layout_(layout), opener_(std::move(open)) {}

bk::InputStream& SetFiles::open(std::size_t index) {
    if (index == open_index_ && open_) return *open_;
    // The file open until now is closed first: a locator may remove it.
    open_.reset();
    open_index_ = static_cast<std::size_t>(-1);
    open_ = open_file(index);
    open_index_ = index;
    return *open_;
}

std::unique_ptr<bk::InputStream> SetFiles::open_file(std::size_t index) {
    if (opener_) return opener_(layout_.files.at(index));
    const auto moved = moved_.find(index);
    bk::String path = moved != moved_.end() ? moved->second : layout_.files.at(index).path;
    if (locate_ && !bk::SystemFile::is_file(path)) {
        bk::String asked = path;
        if (!locate_(asked)) throw bk::EOFException();
        if (asked != path) moved_[index] = path = std::move(asked);
    }
    return std::make_unique<bk::FileInputStream>(path, bk::FileShare::ReadWrite);
}

RunDataReader::RunDataReader(const SetLayout& layout, const RunLayout& run, FileOpener open)
    : RunDataReader(run) {
    own_files_ = open ? std::make_unique<SetFiles>(layout, std::move(open)) : std::make_unique<SetFiles>(layout);
    files_ = own_files_.get();
}

RunDataReader::RunDataReader(SetFiles& files, const RunLayout& run) : RunDataReader(run) { files_ = &files; }

RunDataReader::RunDataReader(const RunLayout& run) {
    for (const auto& extent : run.data) {
        extents_.push_back({extent, length_});
        length_ += extent.length;
    }
}

const RunDataReader::Extent& RunDataReader::extent_at(std::uint64_t offset) const {
    const auto it = std::upper_bound(extents_.begin(), extents_.end(), offset,
                                     [](std::uint64_t value, const Extent& e) { return value < e.start; });
    return *(it - 1);
}

std::uint64_t RunDataReader::seek_to(const Extent& extent, std::uint64_t offset, bk::InputStream*& in) {
    const std::uint64_t within = offset - extent.start;
    in = &files_->open(extent.where.file);
    in->seek(static_cast<std::int64_t>(extent.where.offset + within), bk::SeekOrigin::Begin);
    return extent.where.length - within;
}

void RunDataReader::read(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    if (offset > length_ || size > length_ - offset) throw bk::EOFException();
    // Decided on the whole request: a chunk that begins in the block read
    // ahead takes the rest straight from the file, not through another block.
    const bool small = size < small_read;
    while (size > 0) {
        if (offset >= ahead_start_ && offset - ahead_start_ < ahead_.size()) {
            const auto at = static_cast<std::size_t>(offset - ahead_start_);
            const std::size_t take = std::min(size, ahead_.size() - at);
            std::memcpy(buffer, ahead_.data() + at, take);
            buffer += take;
            offset += take;
            size -= take;
        } else if (!small) {
            read_through(offset, buffer, size);
            return;
        } else {
            fill(offset);
        }
    }
}

void RunDataReader::fill(std::uint64_t offset) {
    ahead_.clear();
    bk::InputStream* in = nullptr;
    const std::uint64_t left = seek_to(extent_at(offset), offset, in);
    ahead_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(read_ahead, left)));
    // One read: where the disk cannot read a spot further on, the system
    // gives the bytes before it, and only the read that reaches the spot
    // fails, so the fault stays with the file stored there.
    const int got = in->read(ahead_.data(), static_cast<int>(ahead_.size()));
    ahead_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    ahead_start_ = offset;
    if (ahead_.empty()) throw bk::EOFException();
}

void RunDataReader::read_through(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    while (size > 0) {
        bk::InputStream* in = nullptr;
        const std::uint64_t left = seek_to(extent_at(offset), offset, in);
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(size, left));
        std::size_t got = 0;
        while (got < take) {
            const int n = in->read(buffer + got, static_cast<int>(take - got));
            if (n <= 0) throw bk::EOFException();
            got += static_cast<std::size_t>(n);
        }
        buffer += take;
        offset += take;
        size -= take;
    }
}

}  // namespace brim::archive
