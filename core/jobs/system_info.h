#pragma once
// Where the system keeps its files and who runs it, and what the volumes and
// the machine offer. On Linux the per-user data directory is $BRIMVAULT_HOME
// when that is set, else $XDG_DATA_HOME/Orvex/Brimvault (default
// ~/.local/share/Orvex/Brimvault); it holds config/, logs/ and reports/.
//
// The record is created on first use and lives until del_instance(). Its
// fields are only read after creation, so any thread may read them.
#include <cstdint>

#include "basekit/os_version.h"
#include "basekit/types.h"

namespace brim {

class SystemInfo final {
public:
    // Creates the record on first call: the platform version, and unless that
    // is unknown, the data directories (created when missing) and the user.
    // Throws IOException when a directory cannot be created.
    static SystemInfo* instance();
    static void del_instance();

    static bk::String config_path();
    static bk::String log_path();
    static bk::String help_path();
    static bk::String report_path();
    // Where the files of a set kept on an FTP server are staged while a run
    // or a restore works on them ("staging" in the data directory; made by
    // whoever stages there).
    static bk::String staging_path();
    // The directory shared by all users; on Linux the per-user data
    // directory itself (docs/platform.md).
    static bk::String registry_path();
    // The login name, or "Administrator" when the password database has none.
    static bk::String current_user();
    static bk::OSVersion current_os_version();
    static void* current_inst();
    static void current_inst(void* module);

    // The allocation unit of the file system holding `path`; 0 when it
    // cannot be asked.
    static std::uint32_t cluster_size(bk::StringView path);
    // Free bytes for this user on the file system holding `path`; 0 when it
    // cannot be asked.
    static std::int64_t drive_free_size(bk::StringView path);
    // The same, with the failure of the query thrown as its IOException (a
    // network file system that went away), for callers that retry.
    static std::int64_t free_space(bk::StringView path);
    // A working segment size from the cluster size of `path` and the
    // machine's memory (see segment_size_for).
    static std::uint32_t magic_segment_size(bk::StringView path);
    // The rule behind magic_segment_size: 8 MiB without a cluster size; 64
    // clusters when memory is below one cluster; otherwise 1024 clusters,
    // halved until it fits in memory, or doubled while ten of it fit; at
    // most 16 MiB. Memory is taken as a 32-bit count, as the rule was made.
    static std::uint32_t segment_size_for(std::uint32_t cluster, std::uint32_t memory);

    // Removes the configuration, log and report directories with everything
    // in them, then the data directory when it is left empty. Failures are
    // swallowed.
    static void remove_all();

    // The user name the system reports for a password-database answer.
    static bk::String user_or_default(bk::StringView queried);

private:
    SystemInfo();
    void fill_paths();

    bk::String config_path_;
    bk::String log_path_;
    bk::String help_path_;
    bk::String report_path_;
    bk::String all_users_path_;
    bk::String current_user_;
    void* current_inst_ = nullptr;
    bk::OSVersion os_version_ = bk::OSVersion::unknown;
    bk::String data_path_;
};

}  // namespace brim
