#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/platform/os_faults.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"

namespace bk::os {
namespace {

constexpr std::int64_t micros_per_second = 1'000'000;

[[noreturn]] void fail(int native, StringView path) {
    SystemFile::throw_io_exception(set_last_native_error(native), false, path);
}

EntryKind kind_of(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::regular;
    if (S_ISDIR(mode)) return EntryKind::directory;
    if (S_ISLNK(mode)) return EntryKind::symlink;
    return EntryKind::other;
}

std::int64_t to_micros(std::int64_t seconds, std::int64_t nanoseconds) {
    return seconds * micros_per_second + nanoseconds / 1000;
}

// Floor division, so that times before 1970 keep a non-negative fraction.
timespec to_timespec(std::int64_t micros) {
    std::int64_t seconds = micros / micros_per_second;
    std::int64_t rest = micros % micros_per_second;
    if (rest < 0) {
        rest += micros_per_second;
        --seconds;
    }
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>(rest * 1000);
    return ts;
}

// The access and modification times of utimensat and futimens; an absent
// one is left as it is.
std::array<timespec, 2> times_of(std::optional<std::int64_t> access_time, std::optional<std::int64_t> modify_time) {
    return {access_time ? to_timespec(*access_time) : timespec{0, UTIME_OMIT},
            modify_time ? to_timespec(*modify_time) : timespec{0, UTIME_OMIT}};
}

bool is_missing(int native) { return native == ENOENT || native == ENOTDIR; }

// What a link resolves to, following it as far as the kernel does.
EntryKind target_kind_of(const std::string& native) {
    struct stat st;
    return ::stat(native.c_str(), &st) == 0 ? kind_of(st.st_mode) : EntryKind::none;
}

// lstat for kernels or sandboxes without statx: no birth time.
EntryStatus status_by_lstat(const std::string& native, StringView path) {
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0) {
        if (is_missing(errno)) return {};
        fail(errno, path);
    }
    EntryStatus result;
    result.kind = kind_of(st.st_mode);
    result.mode = st.st_mode & 07777;
    result.size = static_cast<std::uint64_t>(st.st_size);
    result.access_time = to_micros(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    result.modify_time = to_micros(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return result;
}

class DirectoryHandle {
public:
    explicit DirectoryHandle(DIR* dir) : dir_(dir) {}
    ~DirectoryHandle() {
        if (dir_ != nullptr) ::closedir(dir_);
    }
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;
    DIR* get() const { return dir_; }

private:
    DIR* dir_;
};

EntryKind kind_of_entry(DIR* dir, const dirent& entry) {
    switch (entry.d_type) {
        case DT_REG: return EntryKind::regular;
        case DT_DIR: return EntryKind::directory;
        case DT_LNK: return EntryKind::symlink;
        case DT_UNKNOWN: break;
        default: return EntryKind::other;
    }
    // Some file systems do not fill d_type.
    struct stat st;
    if (::fstatat(::dirfd(dir), entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::none;
    return kind_of(st.st_mode);
}

}  // namespace

EntryStatus status(StringView path) {
    const std::string native = to_native_path(path);
    struct statx stx;
    if (::statx(AT_FDCWD, native.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_BASIC_STATS | STATX_BTIME, &stx) != 0) {
        if (is_missing(errno)) return {};
        if (errno != ENOSYS && errno != EPERM) fail(errno, path);
        EntryStatus result = status_by_lstat(native, path);
        result.target_kind = result.kind == EntryKind::symlink ? target_kind_of(native) : result.kind;
        return result;
    }
    EntryStatus result;
    result.kind = kind_of(stx.stx_mode);
    result.target_kind = result.kind == EntryKind::symlink ? target_kind_of(native) : result.kind;
    result.mode = stx.stx_mode & 07777;
    result.size = stx.stx_size;
    result.access_time = to_micros(stx.stx_atime.tv_sec, stx.stx_atime.tv_nsec);
    result.modify_time = to_micros(stx.stx_mtime.tv_sec, stx.stx_mtime.tv_nsec);
    if ((stx.stx_mask & STATX_BTIME) != 0)
        result.birth_time = to_micros(stx.stx_btime.tv_sec, stx.stx_btime.tv_nsec);
    return result;
}

std::vector<DirectoryEntry> read_directory(StringView path) {
    const std::string native = to_native_path(path);
    DirectoryHandle dir(::opendir(native.c_str()));
    if (dir.get() == nullptr) fail(errno, path);

    std::vector<std::pair<std::string, EntryKind>> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) fail(errno, path);
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        const EntryKind kind = kind_of_entry(dir.get(), *entry);
        if (kind == EntryKind::none) continue;  // removed while we looked
        found.emplace_back(name, kind);
    }
    std::sort(found.begin(), found.end());

    std::vector<DirectoryEntry> entries;
    entries.reserve(found.size());
    for (const auto& [name, kind] : found) entries.push_back({from_native_path(name), kind});
    return entries;
}

void make_directory(StringView path) {
    if (::mkdir(to_native_path(path).c_str(), 0777) != 0) fail(errno, path);
}

void remove_directory(StringView path) {
    if (::rmdir(to_native_path(path).c_str()) != 0) fail(errno, path);
}

bool remove_file(StringView path) {
    if (::unlink(to_native_path(path).c_str()) == 0) return true;
    if (errno == ENOENT) return false;
    fail(errno, path);
}

void set_times(StringView path, std::optional<std::int64_t> access_time,
               std::optional<std::int64_t> modify_time) {
    const auto times = times_of(access_time, modify_time);
    if (::utimensat(AT_FDCWD, to_native_path(path).c_str(), times.data(), AT_SYMLINK_NOFOLLOW) != 0)
        fail(errno, path);
}

void set_times(Handle handle, std::optional<std::int64_t> access_time, std::optional<std::int64_t> modify_time,
               StringView path) {
    const auto times = times_of(access_time, modify_time);
    if (::futimens(handle, times.data()) != 0) fail(errno, path);
}

void set_owner_writable(StringView path, bool writable) {
    const std::string native = to_native_path(path);
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0) fail(errno, path);
    if (S_ISLNK(st.st_mode)) return;
    const mode_t mode = st.st_mode & 07777;
    const mode_t wanted = writable ? (mode | S_IWUSR) : (mode & ~static_cast<mode_t>(S_IWUSR));
    if (wanted != mode && ::chmod(native.c_str(), wanted) != 0) fail(errno, path);
}

void rename_entry(StringView from, StringView to) {
    if (const int fault = injected_fault(FaultOperation::rename, to)) fail(fault, to);
    if (::rename(to_native_path(from).c_str(), to_native_path(to).c_str()) != 0) fail(errno, from);
}

void sync_directory(StringView path) {
    const int fd = ::open(to_native_path(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail(errno, path);
    const int rc = ::fsync(fd);
    const int saved = errno;
    ::close(fd);
    if (rc != 0 && saved != EINVAL) fail(saved, path);
}

void set_mode(StringView path, std::uint32_t mode) {
    if (::chmod(to_native_path(path).c_str(), static_cast<mode_t>(mode & 07777)) != 0) fail(errno, path);
}

void set_mode(Handle handle, std::uint32_t mode, StringView path) {
    if (::fchmod(handle, static_cast<mode_t>(mode & 07777)) != 0) fail(errno, path);
}

String resolved_path(StringView path) {
    char* resolved = ::realpath(to_native_path(path).c_str(), nullptr);
    if (resolved == nullptr) return {};
    String result = from_native_path(resolved);
    std::free(resolved);
    return result;
}

String read_link(StringView path) {
    const std::string native = to_native_path(path);
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t got = ::readlink(native.c_str(), buffer.data(), buffer.size());
        if (got < 0) fail(errno, path);
        if (static_cast<std::size_t>(got) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(got));
            return from_native_path(buffer);
        }
        buffer.resize(buffer.size() * 2);  // it may have been cut: try again with more room
    }
}

void make_symlink(StringView target, StringView path) {
    if (::symlink(to_native_path(target).c_str(), to_native_path(path).c_str()) != 0) fail(errno, path);
}

String current_directory() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) fail(errno, u".");
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return from_native_path(buffer);
}

void set_current_directory(StringView path) {
    if (::chdir(to_native_path(path).c_str()) != 0) fail(errno, path);
}

String executable_path() { return read_link(u"/proc/self/exe"); }

}  // namespace bk::os
