// The volume kind from statfs (the file system's type) and, for local block
// devices, the kernel's removable flag in sysfs.
#include <algorithm>
#include <fstream>
#include <mntent.h>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include "basekit/convertion.h"
#include "basekit/platform/os_volume.h"

namespace bk::os {
namespace {

// Magic numbers of statfs's f_type (linux/magic.h and the file systems' own).
constexpr unsigned long remote_types[] = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x73757245,  // Coda
    0x5346414F,  // AFS
    0x01021997,  // 9P
    0x00C36400,  // Ceph
    0x47504653,  // GPFS
    0x013111A8,  // IBRIX
    0x0BD00BD0,  // Lustre
};
constexpr unsigned long optical_types[] = {
    0x9660,      // ISO 9660
    0x15013346,  // UDF
};
constexpr unsigned long fuse_type = 0x65735546;

template <std::size_t N>
bool one_of(unsigned long type, const unsigned long (&types)[N]) {
    for (unsigned long t : types)
        if (t == type) return true;
    return false;
}

bool read_flag(const std::string& file) {
    std::ifstream in(file);
    int value = 0;
    return (in >> value) && value != 0;
}

// The device's own flag, or for a partition its disk's.
bool is_removable_device(dev_t device) {
    const std::string base =
        "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    return read_flag(base + "/removable") || read_flag(base + "/../removable");
}

}  // namespace

VolumeKind volume_kind(StringView path) {
    const std::string native = to_native_path(path);
    struct statfs fs;
    struct stat st;
    if (::statfs(native.c_str(), &fs) != 0 || ::stat(native.c_str(), &st) != 0) return VolumeKind::unknown;
    const auto type = static_cast<unsigned long>(fs.f_type);
    if (one_of(type, remote_types)) return VolumeKind::remote;
    if (one_of(type, optical_types)) return VolumeKind::removable;
    // A user-space file system may sit on a disk or on a server: we cannot tell.
    if (type == fuse_type) return VolumeKind::unknown;
    if (is_removable_device(st.st_dev)) return VolumeKind::removable;
    return VolumeKind::fixed;
}

namespace {

// Every mount point of the mount table with its volume kind, in the table's
// order, once each. Pseudo file systems (no device, not a network file
// system) are left out, except the root.
std::vector<VolumeRoot> mounted_volumes() {
    std::vector<VolumeRoot> roots;
    FILE* table = ::setmntent("/proc/self/mounts", "r");
    if (table == nullptr) return {};
    while (const mntent* entry = ::getmntent(table)) {
        String root = from_native_path(entry->mnt_dir);
        const VolumeKind kind = volume_kind(root);
        if (entry->mnt_fsname[0] != '/' && root != u"/" && kind != VolumeKind::remote) continue;
        const bool known = std::any_of(roots.begin(), roots.end(), [&](const VolumeRoot& r) { return r.path == root; });
        if (!known) roots.push_back({std::move(root), kind});
    }
    ::endmntent(table);
    return roots;
}

}  // namespace

std::vector<String> fixed_volume_roots() {
    std::vector<String> roots;
    for (auto& volume : mounted_volumes())
        if (volume.kind == VolumeKind::fixed) roots.push_back(std::move(volume.path));
    if (roots.empty()) roots.push_back(u"/");
    return roots;
}

std::vector<VolumeRoot> browsable_volume_roots() {
    std::vector<VolumeRoot> roots;
    for (auto& volume : mounted_volumes())
        if (volume.kind != VolumeKind::unknown || volume.path == u"/") roots.push_back(std::move(volume));
    return roots;
}

}  // namespace bk::os
