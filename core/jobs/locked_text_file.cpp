#include "core/jobs/locked_text_file.h"

#include <cstring>

#include "basekit/exception.h"
#include "core/jobs/store_text.h"

namespace brim {

LockedTextFile::LockedTextFile(bk::StringView path) : path_(path) {
    bk::os::OpenRequest request;
    request.read = true;
    request.write = true;
    request.create = bk::os::Create::open_always;
    request.mode = 0600;  // logs and reports name every backed-up path
    handle_ = bk::os::open(path_, request);
    try {
        bk::os::lock(handle_, true, path_);
    } catch (...) {
        bk::os::close(handle_, path_);
        throw;
    }
}

LockedTextFile::~LockedTextFile() {
    try {
        // Closing the descriptor releases the lock.
        bk::os::close(handle_, path_);
    } catch (const bk::Exception&) {
    }
}

std::int64_t LockedTextFile::size() { return bk::os::size(handle_, path_); }

bool LockedTextFile::is_complete() {
    constexpr char expected[] = "</brimvault>\r\n";
    const std::int64_t length = size();
    if (length <= store_text::closing_line_size) return false;
    char tail[store_text::closing_line_size];
    bk::os::seek(handle_, length - store_text::closing_line_size, bk::os::Whence::begin, path_);
    std::size_t got = 0;
    while (got < sizeof tail) {
        const std::size_t n = bk::os::read(handle_, tail + got, sizeof tail - got, path_);
        if (n == 0) return false;
        got += n;
    }
    return std::memcmp(tail, expected, sizeof tail) == 0;
}

void LockedTextFile::append(const std::vector<std::uint8_t>& bytes) {
    bk::os::seek(handle_, size() - store_text::closing_line_size, bk::os::Whence::begin, path_);
    bk::os::write(handle_, bytes.data(), bytes.size(), path_);
}

void LockedTextFile::rewrite(const std::vector<std::uint8_t>& bytes) {
    bk::os::truncate(handle_, 0, path_);
    bk::os::seek(handle_, 0, bk::os::Whence::begin, path_);
    bk::os::write(handle_, bytes.data(), bytes.size(), path_);
    bk::os::sync(handle_, path_);
}

}  // namespace brim
