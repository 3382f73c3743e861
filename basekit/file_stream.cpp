#include "basekit/file_stream.h"

#include <algorithm>

#include "basekit/exception.h"
#include "basekit/system_file.h"

namespace bk {
namespace {

const String empty_name_message = u"Empty file name";

String closed_message(const String& name) { return u"The file '" + name + u"' has been closed."; }

os::Whence to_whence(SeekOrigin origin) {
    switch (origin) {
        case SeekOrigin::Current: return os::Whence::current;
        case SeekOrigin::End: return os::Whence::end;
        default: return os::Whence::begin;
    }
}

os::Create to_create(FileMode mode) {
    switch (mode) {
        case FileMode::CreateNew: return os::Create::create_new;
        case FileMode::Create: return os::Create::create_always;
        case FileMode::OpenOrCreate:
        case FileMode::Append: return os::Create::open_always;
        case FileMode::Truncate: return os::Create::truncate_existing;
        default: return os::Create::open_existing;
    }
}

void check_buffer(const void* bytes, std::int64_t length) {
    if (bytes == nullptr) throw ArgumentException(u"The bytes buffer is empty.", u"bytes");
    if (length == 0) throw ArgumentException(u"The len cannot be 0.", u"len");
}

}  // namespace

FileInputStream::FileInputStream(StringView name, FileShare, DirectoryCheck check) : name_(name) {
    if (name_.empty()) throw ArgumentException(empty_name_message, u"name");
    open(check);
}

FileInputStream::FileInputStream(const File& file, FileShare share)
    : FileInputStream(file.full_name(), share) {}

FileInputStream::~FileInputStream() {
    try {
        close();
    } catch (const Exception&) {
    }
}

void FileInputStream::open(DirectoryCheck check) {
    if (handle_ != os::invalid_handle) throw IOException(u"The file has opened");
    os::OpenRequest request;
    request.read = true;
    request.no_atime = true;
    request.allow_directory = check == DirectoryCheck::on_read;
    handle_ = os::open(name_, request);
}

void FileInputStream::check_open() const {
    if (handle_ == os::invalid_handle) throw IOException(closed_message(name_));
}

int FileInputStream::read(std::uint8_t* buffer, int length) {
    check_buffer(buffer, length);
    check_open();
    // The read itself says where the file ends: asking for its size first
    // cost a call per read.
    const std::size_t got = os::read(handle_, buffer, static_cast<std::size_t>(length), name_);
    if (got == 0) return -1;
    position_ += static_cast<std::int64_t>(got);
    return static_cast<int>(got);
}

std::int64_t FileInputStream::seek(std::int64_t offset, SeekOrigin origin) {
    check_open();
    const std::int64_t before = os::seek(handle_, 0, os::Whence::current, name_);
    const std::int64_t after = os::seek(handle_, offset, to_whence(origin), name_);
    position_ += after - before;
    return after - before;
}

std::int64_t FileInputStream::available() {
    check_open();
    return os::size(handle_, name_) - position_;
}

void FileInputStream::close() {
    if (handle_ == os::invalid_handle) return;
    const os::Handle handle = handle_;
    handle_ = os::invalid_handle;
    os::close(handle, name_);
}

FileOutputStream::FileOutputStream(StringView name, FileMode mode, FileShare share)
    : FileOutputStream(name, mode, share, 0666) {}

FileOutputStream::FileOutputStream(StringView name, FileMode mode, FileShare share, unsigned permissions)
    : FileOutputStream(name, mode, share, permissions, FinalLink::follow) {}

FileOutputStream::FileOutputStream(StringView name, FileMode mode, FileShare, unsigned permissions, FinalLink link)
    : name_(name) {
    if (name_.empty()) throw ArgumentException(empty_name_message, u"name");
    open(mode, permissions, link);
}

FileOutputStream::FileOutputStream(const File& file, FileMode mode, FileShare share)
    : FileOutputStream(file.full_name(), mode, share) {}

FileOutputStream::~FileOutputStream() {
    try {
        close();
    } catch (const Exception&) {
    }
}

void FileOutputStream::open(FileMode mode, unsigned permissions, FinalLink link) {
    if (handle_ != os::invalid_handle) throw IOException(u"The file has opened");
    os::OpenRequest request;
    request.write = true;
    request.create = to_create(mode);
    request.mode = permissions;
    request.no_follow = link == FinalLink::refuse;
    handle_ = os::open(name_, request);
    if (mode == FileMode::Append) os::seek(handle_, 0, os::Whence::end, name_);
}

void FileOutputStream::check_open() const {
    if (handle_ == os::invalid_handle) throw IOException(closed_message(name_));
}

void FileOutputStream::write(const std::uint8_t* bytes, std::uint32_t length) {
    check_buffer(bytes, length);
    check_open();
    os::write(handle_, bytes, length, name_);
}

std::int64_t FileOutputStream::seek(std::int64_t offset, SeekOrigin origin) {
    check_open();
    return os::seek(handle_, offset, to_whence(origin), name_);
}

void FileOutputStream::flush() {
    check_open();
    os::sync(handle_, name_);
}

void FileOutputStream::close() {
    if (handle_ == os::invalid_handle) return;
    const os::Handle handle = handle_;
    handle_ = os::invalid_handle;
    os::close(handle, name_);
}

std::int64_t FileOutputStream::get_current_offset() {
    check_open();
    return os::seek(handle_, 0, os::Whence::current, name_);
}

}  // namespace bk
