#include "core/jobs/system_info.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <optional>

#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/platform/os_system.h"
#include "basekit/system_file.h"

namespace brim {
namespace {

std::mutex instance_mutex;
std::unique_ptr<SystemInfo> the_info;

constexpr std::uint32_t default_segment = 0x800000;  // 8 MiB without a cluster size
constexpr std::uint32_t max_segment = 0x1000000;     // 16 MiB

SystemInfo& info() { return *SystemInfo::instance(); }

bk::String non_empty_variable(bk::StringView name) {
    auto value = bk::os::environment_variable(name);
    return value ? *value : bk::String();
}

// $BRIMVAULT_HOME, else the XDG data directory + "Orvex/Brimvault"; the
// parent of the current directory when no home can be found.
bk::String data_directory() {
    bk::String home = non_empty_variable(u"BRIMVAULT_HOME");
    if (!home.empty()) return home;
    bk::String base = non_empty_variable(u"XDG_DATA_HOME");
    if (!bk::Path::is_absolute_path(base)) {
        const bk::String user_home = non_empty_variable(u"HOME");
        if (user_home.empty()) return bk::Path::directory_name(bk::Path::current_path());
        base = bk::Path::combine(bk::Path::combine(user_home, u".local"), u"share");
    }
    return bk::Path::combine(bk::Path::combine(base, u"Orvex"), u"Brimvault");
}

// The data directory holds every backed-up path, the job names and the
// destinations: like ~/.ssh, it is its owner's alone.
constexpr std::uint32_t private_directory_mode = 0700;
constexpr std::uint32_t private_file_mode = 0600;

// Takes the group's and others' permissions away from `path` (a directory
// gets `private_directory_mode`, anything else `private_file_mode`).
void make_private(const bk::String& path, bool directory) {
    const bk::os::EntryStatus status = bk::os::status(path);
    if (status.kind == bk::os::EntryKind::none || status.kind == bk::os::EntryKind::symlink) return;
    if ((status.mode & 077) != 0) bk::os::set_mode(path, directory ? private_directory_mode : private_file_mode);
}

// Creates the directory when missing and makes it and the files in it
// private, so that a tree made by an earlier version is tightened too.
// Failures to tighten are ignored: the directory may belong to another user.
bk::String created_directory(const bk::String& path, bool with_files) {
    bk::Directory directory(path);
    if (!directory.exists()) directory.create();
    try {
        make_private(path, true);
        if (with_files) {
            for (const auto& entry : bk::os::read_directory(path))
                if (entry.kind == bk::os::EntryKind::regular) make_private(bk::Path::combine(path, entry.name), false);
        }
    } catch (const bk::Exception&) {
    }
    return directory.full_name();
}

}  // namespace

SystemInfo::SystemInfo() : os_version_(bk::running_os_version()) {
    if (os_version_ == bk::OSVersion::unknown) return;
    fill_paths();
    current_user_ = user_or_default(bk::os::user_name());
}

void SystemInfo::fill_paths() {
    data_path_ = bk::Path::make_full_path(data_directory());
    // The data directory first, so that nothing is created in it while
    // others may look in.
    bk::Directory data(data_path_);
    if (!data.exists()) data.create();
    all_users_path_ = created_directory(data_path_, true);
    config_path_ = created_directory(bk::Path::combine(data_path_, u"config"), true);
    log_path_ = created_directory(bk::Path::combine(data_path_, u"logs"), true);
    report_path_ = created_directory(bk::Path::combine(data_path_, u"reports"), true);
}

SystemInfo* SystemInfo::instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    if (!the_info) {
        try {
            the_info.reset(new SystemInfo());
        } catch (const std::bad_alloc&) {
            throw bk::OutOfMemoryException(u"Out of memory");
        }
    }
    return the_info.get();
}

void SystemInfo::del_instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    the_info.reset();
}

bk::String SystemInfo::config_path() { return info().config_path_; }
bk::String SystemInfo::log_path() { return info().log_path_; }
bk::String SystemInfo::help_path() { return info().help_path_; }
bk::String SystemInfo::report_path() { return info().report_path_; }
bk::String SystemInfo::staging_path() { return bk::Path::combine(info().data_path_, u"staging"); }
bk::String SystemInfo::registry_path() { return info().all_users_path_; }
bk::String SystemInfo::current_user() { return info().current_user_; }
bk::OSVersion SystemInfo::current_os_version() { return info().os_version_; }
void* SystemInfo::current_inst() { return info().current_inst_; }
void SystemInfo::current_inst(void* module) { info().current_inst_ = module; }

bk::String SystemInfo::user_or_default(bk::StringView queried) {
    return queried.empty() ? bk::String(u"Administrator") : bk::String(queried);
}

// The file system holding `path`. The root alone would name another file
// system than a mounted destination, so the nearest existing directory of the
// path is asked; an empty answer when it cannot be.
bk::os::VolumeSpace volume_holding(bk::StringView path) {
    bk::String probe = bk::Path::make_full_path(path);
    while (!bk::SystemFile::is_dir(probe) && probe != bk::Path::path_root(probe))
        probe = bk::Path::directory_name(probe);
    return bk::os::volume_space(probe);
}

std::optional<bk::os::VolumeSpace> volume_of(bk::StringView path) {
    try {
        return volume_holding(path);
    } catch (const bk::Exception&) {
        return std::nullopt;
    }
}

std::uint32_t SystemInfo::cluster_size(bk::StringView path) {
    const auto volume = volume_of(path);
    return volume ? volume->block_size : 0;
}

std::int64_t SystemInfo::free_space(bk::StringView path) { return volume_holding(path).free_bytes; }

std::int64_t SystemInfo::drive_free_size(bk::StringView path) {
    const auto volume = volume_of(path);
    return volume ? volume->free_bytes : 0;
}

std::uint32_t SystemInfo::magic_segment_size(bk::StringView path) {
    const std::uint64_t memory = bk::os::physical_memory();
    return segment_size_for(cluster_size(path), static_cast<std::uint32_t>(std::min<std::uint64_t>(memory, 0xFFFFFFFFu)));
}

std::uint32_t SystemInfo::segment_size_for(std::uint32_t cluster, std::uint32_t memory) {
    if (cluster == 0) return default_segment;
    const std::uint64_t m = memory;
    if (m < cluster) return static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{cluster} * 64, max_segment));
    std::uint64_t s = std::uint64_t{cluster} * 1024;
    if (m < s) {
        while (s > m) s /= 2;
    } else {
        while (10 * s <= m) s *= 2;
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(s, max_segment));
}

void SystemInfo::remove_all() {
    SystemInfo& self = info();
    for (const bk::String* path : {&self.config_path_, &self.log_path_, &self.report_path_}) {
        try {
            bk::Directory(*path).remove_tree();
        } catch (const bk::Exception&) {
        }
    }
    // Only an empty data directory goes: $BRIMVAULT_HOME may name a directory
    // that holds the user's other files.
    try {
        bk::Directory(self.data_path_).remove();
    } catch (const bk::Exception&) {
    }
}

}  // namespace brim
