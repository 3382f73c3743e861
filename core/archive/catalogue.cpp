#include "core/archive/catalogue.h"

#include <algorithm>

#include "basekit/exception.h"

namespace brim::archive {
namespace {

std::uint32_t write_item(const ArchiveFormat& format, bk::DataOutputStream& out, const DataHeader& item) {
    switch (item.kind()) {
        case ItemKind::directory:
            return format.write_record(out, DirectoryRecord{item.name(), item.subtree_directories, item.subtree_files,
                                                            item.modified, item.attributes, item.created,
                                                            item.accessed, item.posix_mode});
        case ItemKind::file:
            return format.write_record(out, FileRecord{item.name(), item.stored_size, item.modified, item.attributes,
                                                       item.created, item.accessed, item.data_flag, item.posix_mode});
        case ItemKind::ftp_directory:
            return format.write_record(out, FtpDirectoryRecord{item.name(), item.subtree_directories,
                                                               item.subtree_files, item.modified});
        case ItemKind::ftp_file:
            return format.write_record(out, FtpFileRecord{item.name(), item.stored_size, item.modified, item.data_flag});
    }
    return 0;
}

std::uint32_t write_subtree(const ArchiveFormat& format, bk::DataOutputStream& out, const DataHeader& directory) {
    std::uint32_t written = write_item(format, out, directory);
    for (const auto& sub : directory.directories()) written += write_subtree(format, out, *sub);
    for (const auto& file : directory.files()) written += write_item(format, out, *file);
    return written;
}

[[noreturn]] void damaged() { throw bk::FormatException(u"The catalogue of the backup set is damaged"); }

std::unique_ptr<DataHeader> read_item(const ArchiveFormat& format, bk::DataInputStream& in, std::uint8_t tag) {
    switch (static_cast<RecordTag>(tag)) {
        case RecordTag::directory: {
            const DirectoryRecord r = format.read_directory_record(in);
            auto item = std::make_unique<DataHeader>(ItemKind::directory, r.name);
            item->subtree_directories = r.subtree_directories;
            item->subtree_files = r.subtree_files;
            item->modified = r.modified;
            item->attributes = r.attributes;
            item->created = r.created;
            item->accessed = r.accessed;
            item->posix_mode = r.posix_mode;
            return item;
        }
        case RecordTag::file: {
            const FileRecord r = format.read_file_record(in);
            auto item = std::make_unique<DataHeader>(ItemKind::file, r.name);
            item->stored_size = r.stored_size;
            // The catalogue keeps only the stored size: the plain size for
            // the ciphers that keep lengths, a bound for padded rijndael.
            item->size = static_cast<std::uint64_t>(std::max<std::int64_t>(r.stored_size, 0));
            item->modified = r.modified;
            item->attributes = r.attributes;
            item->created = r.created;
            item->accessed = r.accessed;
            item->data_flag = r.data_flag;
            item->posix_mode = r.posix_mode;
            return item;
        }
        case RecordTag::ftp_directory: {
            const FtpDirectoryRecord r = format.read_ftp_directory_record(in);
            auto item = std::make_unique<DataHeader>(ItemKind::ftp_directory, r.name);
            item->subtree_directories = r.subtree_directories;
            item->subtree_files = r.subtree_files;
            item->modified = r.modified;
            return item;
        }
        case RecordTag::ftp_file: {
            const FtpFileRecord r = format.read_ftp_file_record(in);
            auto item = std::make_unique<DataHeader>(ItemKind::ftp_file, r.name);
            item->stored_size = r.stored_size;
            item->size = static_cast<std::uint64_t>(std::max<std::int64_t>(r.stored_size, 0));
            item->modified = r.modified;
            item->data_flag = r.data_flag;
            return item;
        }
    }
    damaged();
}

// Reads records into `parent` until the counts are used up. Each nested
// record lowers the remaining counts of every enclosing directory, so a
// directory's records are consumed without looking ahead.
void read_children(const ArchiveFormat& format, bk::DataInputStream& in, DataHeader& parent,
                   std::uint32_t directories, std::uint32_t files, int depth) {
    if (depth > 4096) damaged();
    while (directories > 0 || files > 0) {
        auto item = read_item(format, in, in.read_byte());
        if (item->stored_size < 0) damaged();
        if (item->is_directory()) {
            if (directories == 0) damaged();
            --directories;
            if (item->subtree_directories > directories || item->subtree_files > files) damaged();
            directories -= item->subtree_directories;
            files -= item->subtree_files;
            DataHeader& dir = parent.add_directory(std::move(item));
            read_children(format, in, dir, dir.subtree_directories, dir.subtree_files, depth + 1);
        } else {
            if (files == 0) damaged();
            --files;
            parent.add_file(std::move(item));
        }
    }
}

template <typename Header, typename Visit>
void visit_files(Header& directory, Visit& visit) {
    for (const auto& sub : directory.directories()) visit_files<Header>(*sub, visit);
    for (const auto& file : directory.files()) visit(*file);
}

}  // namespace

std::uint32_t write_catalogue(const ArchiveFormat& format, bk::DataOutputStream& out, const DataHeader& root) {
    std::uint32_t written = 0;
    for (const auto& dir : root.directories()) written += write_subtree(format, out, *dir);
    for (const auto& file : root.files()) written += write_item(format, out, *file);
    return written;
}

std::unique_ptr<DataHeader> read_catalogue(const ArchiveFormat& format, bk::DataInputStream& in,
                                           std::uint32_t directories, std::uint32_t files) {
    auto root = std::make_unique<DataHeader>(ItemKind::directory, bk::String());
    read_children(format, in, *root, directories, files, 0);
    root->subtree_directories = directories;
    root->subtree_files = files;
    std::uint64_t offset = 0;
    for_each_file(*root, [&offset](DataHeader& file) {
        file.data_offset = offset;
        offset += static_cast<std::uint64_t>(file.stored_size) + 2 * marker_size;
    });
    return root;
}

void for_each_file(const DataHeader& root, const std::function<void(const DataHeader&)>& visit) {
    visit_files<const DataHeader>(root, visit);
}

void for_each_file(DataHeader& root, const std::function<void(DataHeader&)>& visit) {
    for (const auto& sub : root.directories()) for_each_file(*sub, visit);
    for (const auto& file : root.files()) visit(*file);
}

void recount(DataHeader& directory) {
    directory.subtree_directories = 0;
    directory.subtree_files = 0;
    directory.size = 0;
    for (const auto& sub : directory.directories()) {
        recount(*sub);
        directory.subtree_directories += 1 + sub->subtree_directories;
        directory.subtree_files += sub->subtree_files;
        directory.size += sub->size;
    }
    for (const auto& file : directory.files()) {
        directory.subtree_files += 1;
        directory.size += file->size;
    }
}

}  // namespace brim::archive
