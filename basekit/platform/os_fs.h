#pragma once
// The file-system services of the platform (metadata, directories, links,
// the current directory and the running program), beside the file handles of
// os_file.h. Everything else reaches them through these calls, so that a port
// adds one implementation beside the POSIX one.
//
// Paths are the system's wide strings; they cross to the platform with
// to_native_path / from_native_path, so names that are not UTF-8 round-trip
// exactly. Every call that fails throws an IOException (through
// SystemFile::throw_io_exception) carrying the system's error code, the
// platform's text and the path.
#include <cstdint>
#include <optional>
#include <vector>

#include "basekit/platform/os_file.h"
#include "basekit/types.h"

namespace bk::os {

enum class EntryKind : std::uint8_t {
    none,       // no such entry
    regular,    // a regular file
    directory,  // a directory
    symlink,    // a symbolic link (the entry itself, whatever it points to)
    other       // a FIFO, socket or device
};

// The metadata of one entry itself: a final symbolic link is not followed.
// Times are the system's microseconds since 1970-01-01 00:00 UTC.
// The longest name one directory entry may have, in bytes of its native form.
inline constexpr std::size_t name_bytes_limit = 255;

struct EntryStatus {
    EntryKind kind = EntryKind::none;
    // For a link, the kind of what it resolves to: none when it dangles, loops
    // or cannot be followed. For anything else, `kind` again.
    EntryKind target_kind = EntryKind::none;
    std::uint32_t mode = 0;  // the permission bits (07777)
    std::uint64_t size = 0;  // bytes; a link's size is the length of its target
    std::int64_t access_time = 0;
    std::int64_t modify_time = 0;
    std::optional<std::int64_t> birth_time;  // when the file system reports one
};

struct DirectoryEntry {
    String name;
    EntryKind kind = EntryKind::none;  // as the entry is: a link is a symlink
};

// The status of `path` without following a final link. A missing entry
// (ENOENT, or ENOTDIR for a missing intermediate directory) gives kind none;
// other failures throw.
EntryStatus status(StringView path);

// The entries of a directory except "." and "..", in ascending byte order of
// their native names. Throws when the directory cannot be opened or read.
std::vector<DirectoryEntry> read_directory(StringView path);

// Creates one directory (mode 0777 before the umask); an existing entry
// throws error 183.
void make_directory(StringView path);
// Removes an empty directory.
void remove_directory(StringView path);
// Removes an entry that is not a directory (a link is removed, never its
// target). Returns false when there was no such entry.
bool remove_file(StringView path);

// Sets the last-access and last-modification times of the entry itself (a
// final link is not followed); an absent value is left as it is.
void set_times(StringView path, std::optional<std::int64_t> access_time,
               std::optional<std::int64_t> modify_time);
// The same for the file open as `handle` (`path` names it in errors),
// without looking up its path again.
void set_times(Handle handle, std::optional<std::int64_t> access_time, std::optional<std::int64_t> modify_time,
               StringView path);
// Grants or withdraws the owner's write permission, keeping the other bits.
// A symbolic link has no permissions of its own on Linux: nothing changes.
void set_owner_writable(StringView path, bool writable);

// Renames `from` to `to`, atomically replacing an existing file `to` (a
// read-only one too); both must lie on one file system.
void rename_entry(StringView from, StringView to);
// Hands a directory's entries (a rename, a new file) to the disk.
void sync_directory(StringView path);
// Sets the permission bits (07777) of the entry.
void set_mode(StringView path, std::uint32_t mode);
// The same for the file open as `handle`.
void set_mode(Handle handle, std::uint32_t mode, StringView path);

// The absolute path of an existing entry with every link, "." and ".."
// resolved; empty when it does not exist or cannot be resolved.
String resolved_path(StringView path);

// The target of a symbolic link, as stored.
String read_link(StringView path);
// Creates the symbolic link `path` holding `target` as given (it is not
// checked nor resolved); an existing entry at `path` throws error 183.
void make_symlink(StringView target, StringView path);
// The process's current directory.
String current_directory();
// Makes `path` the process's current directory (for every thread).
void set_current_directory(StringView path);
// The full file name of the running program.
String executable_path();

}  // namespace bk::os
