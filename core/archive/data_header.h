#pragma once
// One item of a run's tree: a directory or a file, local or on an FTP
// server. The catalogue of a run is this tree written out record by record;
// the data writers and the copy and restore routines walk it.
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/types.h"
#include "core/archive/archive_layout.h"

namespace brim {

class FtpConnection;

enum class ItemKind : std::uint8_t { directory, file, ftp_directory, ftp_file };

// How much of a file's data reached the set.
enum class DataStatus : std::uint8_t { complete = 0, partial = 1, nothing_written = 2 };

class DataHeader final {
public:
    DataHeader(ItemKind kind, bk::String name) : kind_(kind), name_(std::move(name)) {}
    DataHeader(const DataHeader&) = delete;
    DataHeader& operator=(const DataHeader&) = delete;

    ItemKind kind() const { return kind_; }
    bool is_directory() const { return kind_ == ItemKind::directory || kind_ == ItemKind::ftp_directory; }
    bool is_ftp() const { return kind_ == ItemKind::ftp_directory || kind_ == ItemKind::ftp_file; }

    // Directories and top-level file sources carry their full path; files
    // found inside a directory carry their file name only.
    const bk::String& name() const { return name_; }
    void name(bk::String name) { name_ = std::move(name); }
    // The item's full path: a file's name joined to its directory's path.
    bk::String full_path() const;

    // Children, in the order they were added; the parent owns them.
    DataHeader& add_directory(std::unique_ptr<DataHeader> child);
    DataHeader& add_file(std::unique_ptr<DataHeader> child);
    const std::vector<std::unique_ptr<DataHeader>>& directories() const { return directories_; }
    const std::vector<std::unique_ptr<DataHeader>>& files() const { return files_; }
    DataHeader* parent() const { return parent_; }

    // Directories: counts of the whole subtree below it (itself not counted).
    std::uint32_t subtree_directories = 0;
    std::uint32_t subtree_files = 0;
    // Files: the plain length; directories: the total of their subtree.
    std::uint64_t size = 0;
    // Files: the bytes the set holds for the file (cipher padding included).
    std::int64_t stored_size = 0;
    std::uint8_t data_flag = archive::data_valid;
    DataStatus status = DataStatus::complete;

    std::int64_t modified = 0;
    std::int64_t created = 0;
    std::int64_t accessed = 0;
    std::uint32_t attributes = 0;
    std::uint32_t posix_mode = 0;  // 0: unknown

    // Copy kinds: where the item's copy lies under the copy root.
    bk::String target_path;
    // FTP items: the connection they are read through (not owned).
    FtpConnection* ftp = nullptr;
    // Reading a set: where the item's block (begin marker) starts in its
    // run's data area, counted from the start of that area.
    std::uint64_t data_offset = 0;

private:
    ItemKind kind_;
    bk::String name_;
    DataHeader* parent_ = nullptr;
    std::vector<std::unique_ptr<DataHeader>> directories_;
    std::vector<std::unique_ptr<DataHeader>> files_;
};

}  // namespace brim
