#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/platform/os_faults.h"
#include "basekit/platform/os_file.h"
#include "basekit/system_file.h"

namespace bk::os {
namespace {

[[noreturn]] void fail(int native, StringView path) {
    SystemFile::throw_io_exception(set_last_native_error(native), false, path);
}

int open_flags(const OpenRequest& request) {
    int flags = O_CLOEXEC;
    if (request.read && request.write) flags |= O_RDWR;
    else if (request.write) flags |= O_WRONLY;
    else flags |= O_RDONLY;
    switch (request.create) {
        case Create::open_existing: break;
        case Create::create_new: flags |= O_CREAT | O_EXCL; break;
        case Create::create_always: flags |= O_CREAT | O_TRUNC; break;
        case Create::open_always: flags |= O_CREAT; break;
        case Create::truncate_existing: flags |= O_TRUNC; break;
    }
    if (request.no_atime) flags |= O_NOATIME;
    if (request.no_follow) flags |= O_NOFOLLOW;
    return flags;
}

}  // namespace

Handle open(StringView path, const OpenRequest& request) {
    const std::string native = to_native_path(path);
    int flags = open_flags(request);
    int fd;
    for (;;) {
        fd = ::open(native.c_str(), flags, request.mode);
        if (fd >= 0) break;
        if (errno == EINTR) continue;
        // O_NOATIME is refused for files the caller does not own: read them
        // as anyone may, at the cost of their last-access time.
        if (errno == EPERM && (flags & O_NOATIME) != 0) {
            flags &= ~O_NOATIME;
            continue;
        }
        break;
    }
    if (fd < 0) fail(errno, path);
    // Only a reading open takes a directory: one for writing fails with
    // EISDIR by itself, and a created file is none.
    struct stat st;
    if (!request.allow_directory && (flags & O_ACCMODE) == O_RDONLY && ::fstat(fd, &st) == 0 &&
        S_ISDIR(st.st_mode)) {
        ::close(fd);
        fail(EISDIR, path);
    }
    return fd;
}

std::size_t read(Handle handle, void* buffer, std::size_t size, StringView path) {
    if (const int fault = injected_fault(FaultOperation::read, path)) fail(fault, path);
    for (;;) {
        const ssize_t got = ::read(handle, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) fail(errno, path);
    }
}

void write(Handle handle, const void* data, std::size_t size, StringView path) {
    if (const int fault = injected_fault(FaultOperation::write, path)) fail(fault, path);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(handle, p, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            fail(errno, path);
        }
        p += put;
        size -= static_cast<std::size_t>(put);
    }
}

std::int64_t seek(Handle handle, std::int64_t offset, Whence whence, StringView path) {
    const int native = whence == Whence::current ? SEEK_CUR : whence == Whence::end ? SEEK_END : SEEK_SET;
    const off_t result = ::lseek(handle, static_cast<off_t>(offset), native);
    if (result < 0) fail(errno, path);
    return result;
}

std::int64_t size(Handle handle, StringView path) {
    struct stat st;
    if (::fstat(handle, &st) != 0) fail(errno, path);
    return st.st_size;
}

void sync(Handle handle, StringView path) {
    if (const int fault = injected_fault(FaultOperation::sync, path)) fail(fault, path);
    if (::fsync(handle) != 0 && errno != EINVAL) fail(errno, path);
}

void truncate(Handle handle, std::int64_t length, StringView path) {
    int rc;
    do rc = ::ftruncate(handle, static_cast<off_t>(length));
    while (rc != 0 && errno == EINTR);
    if (rc != 0) fail(errno, path);
}

void start_writeback(Handle handle, std::int64_t offset, std::int64_t length) {
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(handle, static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
#else
    (void)handle, (void)offset, (void)length;
#endif
}

std::optional<std::size_t> copy_range(Handle from, Handle to, std::size_t length, StringView from_path,
                                      StringView to_path) {
    if (const int fault = injected_fault(FaultOperation::read, from_path)) fail(fault, from_path);
    if (const int fault = injected_fault(FaultOperation::write, to_path)) fail(fault, to_path);
    for (;;) {
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, length, 0);
        if (copied >= 0) return static_cast<std::size_t>(copied);
        switch (errno) {
            case EINTR: continue;
            case EXDEV:
            case ENOSYS:
            case EINVAL:
            case EOPNOTSUPP:
            case EBADF: return std::nullopt;
            case ENOSPC:
            case EDQUOT:
            case EFBIG: fail(errno, to_path);
            default: fail(errno, from_path);
        }
    }
}

void close(Handle handle, StringView path) {
    // The descriptor is gone whatever close reports, so it is never retried.
    if (::close(handle) != 0 && errno != EINTR) fail(errno, path);
}

void lock(Handle handle, bool exclusive, StringView path) {
    int rc;
    do rc = ::flock(handle, exclusive ? LOCK_EX : LOCK_SH);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) fail(errno, path);
}

bool try_lock(Handle handle, StringView path) {
    int rc;
    do rc = ::flock(handle, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc == 0) return true;
    if (errno == EWOULDBLOCK) return false;
    fail(errno, path);
}

void unlock(Handle handle, StringView path) {
    if (::flock(handle, LOCK_UN) != 0) fail(errno, path);
}

}  // namespace bk::os
