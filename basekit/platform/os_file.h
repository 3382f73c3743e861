#pragma once
// The file services of the platform, behind one thin interface. Everything
// else in the system reaches files through these calls, so that a test can
// make any of them fail on purpose and a port adds one implementation beside
// the POSIX one. Every call that fails throws an IOException carrying the
// system's error code, the platform's text and the path.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "basekit/types.h"

namespace bk::os {

using Handle = int;
inline constexpr Handle invalid_handle = -1;

enum class Whence { begin, current, end };

enum class Create {
    open_existing,     // fail when missing
    create_new,        // fail when present
    create_always,     // create or truncate
    open_always,       // open, creating when missing
    truncate_existing  // open an existing file and cut it to length 0
};

struct OpenRequest {
    bool read = false;
    bool write = false;
    Create create = Create::open_existing;
    bool no_atime = false;        // do not change the last-access time when permitted
    bool allow_directory = false;  // a reading open takes a directory too (to set its times, or
                                   // when the caller knows the name was a file a moment ago)
    bool no_follow = false;        // refuse a final symbolic link instead of following it
    unsigned mode = 0666;          // permissions of a created file, before the umask
};

Handle open(StringView path, const OpenRequest& request);
// Reads up to `size` bytes; returns 0 only at the end of the file.
std::size_t read(Handle handle, void* buffer, std::size_t size, StringView path);
// Writes every byte or throws.
void write(Handle handle, const void* data, std::size_t size, StringView path);
std::int64_t seek(Handle handle, std::int64_t offset, Whence whence, StringView path);
std::int64_t size(Handle handle, StringView path);
void sync(Handle handle, StringView path);
void truncate(Handle handle, std::int64_t length, StringView path);
// Asks the system to start writing a range of the file to the disk now,
// without waiting for it, so that a later sync finds little left to do. A
// hint: nothing happens where the system cannot do it.
void start_writeback(Handle handle, std::int64_t offset, std::int64_t length);
// Copies up to `length` bytes from the position of `from` to the position
// of `to` inside the system, without passing them through this process; the
// bytes copied, 0 at the end of `from`. Nothing when the system cannot copy
// between these two files (the caller reads and writes instead). Throws
// IOException for a failure, naming the file it concerns.
std::optional<std::size_t> copy_range(Handle from, Handle to, std::size_t length, StringView from_path,
                                      StringView to_path);
void close(Handle handle, StringView path);

// Advisory whole-file locks (flock): they guard cooperating openers of the
// same file, in this process (through another descriptor) or in another one,
// and are released by unlock or when the descriptor is closed. lock waits
// until the lock is granted.
void lock(Handle handle, bool exclusive, StringView path);
// Takes an exclusive lock only when nobody holds one; false when it is held.
bool try_lock(Handle handle, StringView path);
void unlock(Handle handle, StringView path);

}  // namespace bk::os
