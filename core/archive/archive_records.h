#pragma once
// The records of an archive set as plain values. ArchiveFormat turns them
// into bytes and back (archive_format.h).
#include <array>
#include <cstdint>
#include <vector>

#include "basekit/types.h"
#include "core/archive/archive_layout.h"
#include "core/media/ftp_connect_info.h"
#include "core/security/cipher_selection.h"

namespace brim::archive {

struct FileHeader {
    std::uint32_t magic = archive::magic;
    std::uint32_t version = format_version_2;
    std::uint32_t span = 0;
};

struct SourceEntry {
    SourceTag tag = SourceTag::directory;
    bool recursive = false;
    bk::String path;
    friend bool operator==(const SourceEntry&, const SourceEntry&) = default;
};

struct SecurityHeader {
    std::uint32_t run_count = 0;
    std::int64_t creation_time = 0;
    std::uint16_t backup_kind = 0;
    SecurityKind security_kind = SecurityKind::none;
    std::array<std::uint8_t, salt_size> salt{};
    std::array<std::uint8_t, iv_size> iv{};
    std::array<std::uint8_t, key_size> data_key{};
    bk::String job_name;
    std::vector<SourceEntry> sources;
    std::uint32_t time_value = 0;
    std::array<std::uint8_t, verifier_size> verifier{};
    std::array<std::uint8_t, key_size> job_wrapped_key{};
    std::vector<FtpConnectInfo> ftp_servers;
    friend bool operator==(const SecurityHeader&, const SecurityHeader&) = default;
};

// The fixed part of a run header (the in-memory run adds its items).
struct RunHeader {
    std::uint32_t size = 0;  // bytes after this field up to the end of the catalogue
    std::int64_t backup_time = 0;
    std::uint16_t compression = 0;
    CipherId cipher = CipherId::none;
    std::uint32_t directory_count = 0;
    std::uint32_t file_count = 0;
    std::uint64_t total_size = 0;
    std::uint64_t data_length = 0;
    bool has_copy_root = false;  // the copy kinds name their copy root folder
    bk::String copy_root;
    std::vector<FtpConnectInfo> ftp_servers;
    friend bool operator==(const RunHeader&, const RunHeader&) = default;
};

struct DirectoryRecord {
    bk::String name;
    std::uint32_t subtree_directories = 0;
    std::uint32_t subtree_files = 0;
    std::int64_t modified = 0;
    std::uint32_t attributes = 0;
    std::int64_t created = 0;
    std::int64_t accessed = 0;
    std::uint32_t posix_mode = 0;  // 0: unknown
    friend bool operator==(const DirectoryRecord&, const DirectoryRecord&) = default;
};

struct FileRecord {
    bk::String name;
    std::int64_t stored_size = 0;
    std::int64_t modified = 0;
    std::uint32_t attributes = 0;
    std::int64_t created = 0;
    std::int64_t accessed = 0;
    std::uint8_t data_flag = data_valid;
    std::uint32_t posix_mode = 0;  // 0: unknown
    friend bool operator==(const FileRecord&, const FileRecord&) = default;
};

struct FtpDirectoryRecord {
    bk::String name;
    std::uint32_t subtree_directories = 0;
    std::uint32_t subtree_files = 0;
    std::int64_t modified = 0;
    friend bool operator==(const FtpDirectoryRecord&, const FtpDirectoryRecord&) = default;
};

struct FtpFileRecord {
    bk::String name;
    std::int64_t stored_size = 0;
    std::int64_t modified = 0;
    std::uint8_t data_flag = data_valid;
    friend bool operator==(const FtpFileRecord&, const FtpFileRecord&) = default;
};

struct VolumeLink {
    std::uint32_t run_count = 1;
    VolumeRole role = VolumeRole::new_run;
    std::uint64_t start = 0;
    bk::String main_name;  // file name of the main archive, without directory
    bk::String own_name;   // this volume's file name, without directory
    friend bool operator==(const VolumeLink&, const VolumeLink&) = default;
};

}  // namespace brim::archive
