#include "core/media/ftp_tree.h"

#include "core/media/ftp_connection.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"

namespace brim {

std::optional<FtpListEntry> find_ftp_entry(FtpConnection& connection, bk::StringView name) {
    const FtpPathParts parts = split_ftp_path(connection.absolute_path(name));
    if (parts.leaf.empty()) return FtpListEntry{u"/", true};
    std::vector<FtpListEntry> entries;
    try {
        entries = connection.list_directory(parts.parent);
    } catch (const FtpException& failure) {
        // The server answered, and refused: the folder is not there. A
        // network failure is not an answer and goes up.
        if (failure.error_code() == ftp_error::extended_error) return std::nullopt;
        throw;
    }
    for (FtpListEntry& entry : entries)
        if (entry.name == parts.leaf) return std::move(entry);
    return std::nullopt;
}

void make_ftp_directories(FtpConnection& connection, bk::StringView name) {
    const bk::String path = connection.absolute_path(name);
    if (const auto entry = find_ftp_entry(connection, path)) {
        if (entry->is_directory) return;
        throw ftp_failure(ftp_message::cannot_create_directory, ftp_error::extended_error);
    }
    const FtpPathParts parts = split_ftp_path(path);
    if (!parts.parent.empty() && parts.parent != path) make_ftp_directories(connection, parts.parent);
    connection.create_directory(path);
}

}  // namespace brim
