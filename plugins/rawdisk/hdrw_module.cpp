// The raw-disk reader module for Linux. Linux does not lock files against
// reading, so a file that another program holds open is read through the
// file system itself. What the module adds over an ordinary open is the
// privilege to read past the permission bits: it serves only a process that
// may read any file (root, or the capability CAP_DAC_READ_SEARCH).
#include <cerrno>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "plugins/rawdisk/hdrw_api.h"

#define HDRW_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

thread_local uint32_t last_error = 0;

uint32_t code_for(int native) {
    switch (native) {
        case ENOENT: return HDRW_E_NOT_FOUND;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return HDRW_E_PATH;
        case EACCES:
        case EPERM: return HDRW_E_ACCESS;
        case ENOMEM: return HDRW_E_MEMORY;
        case EBADF: return HDRW_E_HANDLE;
        case EISDIR: return HDRW_E_OPEN_FILE;
        default: return HDRW_E_INTERNAL;
    }
}

template <typename T>
T fail(uint32_t code) {
    last_error = code;
    return T{};
}

bool may_read_everything() {
    if (::geteuid() == 0) return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    return (data[CAP_DAC_READ_SEARCH / 32].effective & (1u << (CAP_DAC_READ_SEARCH % 32))) != 0;
}

}  // namespace

HDRW_EXPORT uint32_t Hdrw_GetLastError(int32_t) { return last_error; }

HDRW_EXPORT int32_t Hdrw_GetPartition(const char* root) {
    struct statfs fs;
    if (root == nullptr || ::statfs(root, &fs) != 0) return fail<int32_t>(HDRW_E_NO_PARTITION);
    if (!may_read_everything()) return fail<int32_t>(HDRW_E_OPEN_PARTITION);
    return 1;
}

HDRW_EXPORT HdrwHandle Hdrw_OpenFile(const char* path, int32_t mode, HdrwFileInfo* info, int32_t) {
    if (path == nullptr || info == nullptr || mode != HDRW_READ_MODE) return fail<HdrwHandle>(HDRW_E_PATH);
    int fd = ::open(path, O_RDONLY | O_NOATIME | O_CLOEXEC);
    if (fd < 0 && errno == EPERM) fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail<HdrwHandle>(code_for(errno));
    struct statx st;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &st) != 0) {
        const uint32_t code = code_for(errno);
        ::close(fd);
        return fail<HdrwHandle>(code);
    }
    if (!S_ISREG(st.stx_mode)) {
        ::close(fd);
        return fail<HdrwHandle>(HDRW_E_OPEN_FILE);
    }
    *info = HdrwFileInfo{};
    info->attributes = (st.stx_attributes & STATX_ATTR_ENCRYPTED) != 0 ? HDRW_ATTR_ENCRYPTED : 0x20u;
    info->size = st.stx_size;
    info->modified = st.stx_mtime.tv_sec * 1000000ll + st.stx_mtime.tv_nsec / 1000;
    // A descriptor is never 0 here: 0 is standard input, open in every process.
    return static_cast<HdrwHandle>(fd);
}

HDRW_EXPORT int32_t Hdrw_ReadFile(HdrwHandle handle, void* buffer, uint32_t size, uint32_t* read) {
    if (handle <= 0 || buffer == nullptr || read == nullptr) return fail<int32_t>(HDRW_E_HANDLE);
    ssize_t got;
    do {
        got = ::read(static_cast<int>(handle), buffer, size);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return fail<int32_t>(code_for(errno));
    *read = static_cast<uint32_t>(got);
    return 1;
}

HDRW_EXPORT int32_t Hdrw_CloseFile(HdrwHandle handle) {
    if (handle <= 0 || ::close(static_cast<int>(handle)) != 0) return fail<int32_t>(HDRW_E_HANDLE);
    return 1;
}
