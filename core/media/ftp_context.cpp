#include "core/media/ftp_context.h"

#include "core/media/ftp_connection.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"

namespace brim {
namespace {

bool name_matches(bk::StringView name, bk::StringView wanted) {
    if (wanted.ends_with(u'*')) return name.starts_with(wanted.substr(0, wanted.size() - 1));
    return name == wanted;
}

}  // namespace

FtpContext::FtpContext(FtpConnection& connection, bk::String full_name, std::int64_t modified_time)
    : connection_(&connection), full_name_(std::move(full_name)), modified_time_(modified_time) {}

bk::String FtpContext::get_name() const { return split_ftp_path(full_name_).leaf; }

void FtpContext::reconnect() { connection_->reconnect(); }

FtpFile::FtpFile(FtpConnection& connection, bk::StringView name) : FtpContext(connection, bk::String(name), 0) {
    const FtpPathParts parts = split_ftp_path(connection.absolute_path(name));
    std::vector<FtpListEntry> entries;
    try {
        entries = connection.list_directory(parts.parent);
    } catch (const FtpException& failure) {
        throw FtpException(ftp_message::cannot_get_file_info, failure.error_code(), failure.detail());
    }
    for (const FtpListEntry& entry : entries) {
        if (entry.is_directory || !name_matches(entry.name, parts.leaf)) continue;
        *this = FtpFile(connection, bk::String(name), entry.modified_time, entry.size);
        return;
    }
    throw FtpException(ftp_message::cannot_get_file_info);
}

FtpFile::FtpFile(FtpConnection& connection, bk::String name, std::int64_t modified_time, std::int64_t length)
    : FtpContext(connection, std::move(name), modified_time), length_(length) {}

void FtpFile::remove() { connection().delete_file(get_full_name()); }

FtpDirectory::FtpDirectory(FtpConnection& connection, bk::String name, std::int64_t modified_time)
    : FtpContext(connection, std::move(name), modified_time) {}

void FtpDirectory::remove() { connection().remove_directory(get_full_name()); }

void FtpDirectory::create_new_directory(bk::StringView name) { connection().create_directory(name); }

void FtpDirectory::generate_list(std::vector<std::unique_ptr<FtpDirectory>>& directories,
                                 std::vector<std::unique_ptr<FtpFile>>& files) const {
    const FtpListPattern pattern = ftp_list_pattern(connection().absolute_path(get_full_name()));
    // The entries belong under the directory, not under the pattern.
    bk::StringView base = get_full_name();
    if (base.ends_with(u'*')) base = base.substr(0, base.rfind(u'/') == bk::StringView::npos ? 0 : base.rfind(u'/'));
    for (FtpListEntry& entry : connection().list_directory(pattern.directory)) {
        if (!entry.name.starts_with(pattern.name_prefix)) continue;
        bk::String full_name = ftp_path_join(base, entry.name);
        if (entry.is_directory)
            directories.push_back(std::make_unique<FtpDirectory>(connection(), std::move(full_name), entry.modified_time));
        else
            files.push_back(std::make_unique<FtpFile>(connection(), std::move(full_name), entry.modified_time, entry.size));
    }
}

}  // namespace brim
