#include "core/engine/backup_data_coll.h"

#include "basekit/error_code.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/archive/catalogue.h"
#include "core/archive/data_writer.h"
#include "core/core_strings.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_context.h"
#include "core/media/ftp_path.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_unable_to_parse = 190;
constexpr std::uint64_t estimate_per_source = 130;
constexpr std::uint64_t estimate_fixed = 2380;
constexpr std::uint32_t posix_type_mask = 0170000;
constexpr std::uint32_t posix_directory = 0040000;
constexpr std::uint32_t posix_regular = 0100000;
constexpr std::uint32_t posix_link = 0120000;

bk::String unable_to_parse(bk::StringView path, bk::StringView reason) {
    return bk::format_text(core_string(msg_unable_to_parse), {path, reason});
}

std::unique_ptr<DataHeader> lone_directory(ItemKind kind, const bk::String& path) {
    auto item = std::make_unique<DataHeader>(kind, path);
    item->attributes = bk::file_attribute::not_found;
    return item;
}

void copy_metadata(DataHeader& item, const bk::SystemFile& entry) {
    item.attributes = entry.file_attrs();
    item.created = entry.creation_time();
    item.accessed = entry.last_access_time();
    item.modified = entry.last_modified_time();
    item.posix_mode = entry.posix_mode();
}

// A LIST-only server gives times to the minute (recent files) or to the
// day (older ones): the file's own time is asked for, so that a change made
// within the same minute is seen and a restored file gets its real time.
std::int64_t exact_ftp_time(const FtpFile& file) {
    FtpConnection& connection = file.connection();
    if (connection.listing_times_exact()) return file.get_modified_time();
    return connection.modified_time(file.get_full_name()).value_or(file.get_modified_time());
}

}  // namespace

BackupDataColl::BackupDataColl(const BackupItem& job, ScanEvents& events)
    : job_(job), events_(events), root_(std::make_unique<DataHeader>(ItemKind::directory, bk::String())) {}

BackupDataColl::~BackupDataColl() = default;

bool BackupDataColl::take_file(const bk::String&, std::int64_t, std::uint64_t) { return true; }

bool BackupDataColl::keep_directory(DataHeader&) { return true; }

std::uint64_t BackupDataColl::estimated_bytes(const DataHeader& file) const {
    return file.size + 2 * archive::marker_size;
}

bool BackupDataColl::passes_filter(bk::StringView path) const {
    const bool aware = job_.has_option(job_option::aware_ext);
    const bool ignore = job_.has_option(job_option::ignore_ext);
    if (!aware && !ignore) return true;
    const bool listed = extensions_.count(bk::Path::extension_name(path)) != 0;
    return aware ? listed : !listed;
}

bool BackupDataColl::scan(std::uint32_t cluster_size) {
    events_.begin_parse();
    for (const auto& extension : job_.extensions)
        extensions_.insert(extension.empty() || extension[0] == u'.' ? extension : u"." + extension);
    if (!job_.destination.empty() && !is_ftp_path(job_.destination))
        destination_ = bk::os::resolved_path(job_.destination);
    before_all();
    for (const auto& source : job_.sources) {
        if (events_.has_stopped()) break;
        before_source(source);
        if (!scan_source(source)) break;
        after_source(source);
    }
    archive::recount(*root_);
    if (cluster_size != 0) {
        const std::uint64_t raw = data_total_ + root_->subtree_directories * archive::estimate_per_directory +
                                  root_->subtree_files * archive::estimate_per_file +
                                  job_.sources.size() * estimate_per_source + estimate_fixed;
        estimate_ = (raw + cluster_size - 1) / cluster_size * cluster_size;
    }
    return !events_.has_stopped();
}

bool BackupDataColl::scan_source(const SourceData& source) {
    bool stopped = false;
    switch (source.type) {
        case SourceType::directory: {
            if (!directory_source_exists(source.path)) return true;
            if (!source.recursive) {
                auto item = lone_directory(ItemKind::directory, source.path);
                if (keep_directory(*item)) root_->add_directory(std::move(item));
                return true;
            }
            auto item = scan_directory(source.path, stopped);
            if (item && !stopped && keep_directory(*item)) root_->add_directory(std::move(item));
            return !stopped;
        }
        case SourceType::file: {
            if (!passes_filter(source.path)) return true;
            auto item = file_item(source.path, source.path, true);
            if (item == nullptr) return true;
            if (take_file(source.path, item->modified, item->size)) add_file(*root_, std::move(item));
            return true;
        }
        case SourceType::ftp_server:
            if (!source.recursive) return true;
            [[fallthrough]];
        case SourceType::ftp_directory: {
            bk::String path = source.path;
            if (source.type == SourceType::ftp_server)
                path = events_.ftp_connection(source.path).get_working_directory();
            auto item = scan_ftp_directory(path, source.recursive, stopped);
            if (item && !stopped && keep_directory(*item)) root_->add_directory(std::move(item));
            return !stopped;
        }
        case SourceType::ftp_file: {
            if (!passes_filter(source.path)) return true;
            FtpFile remote(events_.ftp_connection(source.path), source.path);
            auto item = std::make_unique<DataHeader>(ItemKind::ftp_file, source.path);
            item->size = static_cast<std::uint64_t>(remote.get_length());
            item->modified = exact_ftp_time(remote);
            item->ftp = &remote.connection();
            if (take_file(source.path, item->modified, item->size)) add_file(*root_, std::move(item));
            return true;
        }
    }
    return true;
}

bool BackupDataColl::directory_source_exists(const bk::String& path) {
    for (std::uint32_t attempts = 0;; ++attempts) {
        try {
            if (bk::SystemFile::is_dir(path)) return true;
            const bk::String text = bk::system_error(u"", bk::error::path_not_found);
            // A missing root (a drive that is not there) fails the run.
            if (bk::Path::path_root(path) == path) throw bk::IOException(text, bk::error::path_not_found, path);
            events_.warning(unable_to_parse(path, text));
            return false;
        } catch (const bk::IOException& error) {
            if (error.error_code() != bk::error::path_not_found && events_.retry_after(error, attempts)) continue;
            throw;
        }
    }
}

std::unique_ptr<DataHeader> BackupDataColl::scan_directory(const bk::String& path, bool& stopped,
                                                           const bk::SystemFile* scanned) {
    events_.parse_source(path);
    auto item = std::make_unique<DataHeader>(ItemKind::directory, path);
    std::vector<bk::String> entries;
    try {
        bk::Directory(path).list(entries, u"*");
    } catch (const bk::IOException& error) {
        // An empty directory has nothing that matches; that is no failure.
        if (error.error_code() != bk::error::file_not_found) {
            events_.warning(unable_to_parse(path, error.message()));
            return nullptr;
        }
    }
    for (const auto& entry : entries) {
        if (events_.has_stopped()) {
            stopped = true;
            return nullptr;
        }
        const bk::SystemFile status(entry);
        const std::uint32_t type = status.posix_mode() & posix_type_mask;
        if (type == posix_directory) {
            if (is_destination(entry)) continue;
            auto sub = scan_directory(entry, stopped, &status);
            if (stopped) return nullptr;
            if (sub && keep_directory(*sub)) item->add_directory(std::move(sub));
            continue;
        }
        // Links are kept as links; FIFOs, sockets and devices would hang or
        // mean nothing in a backup.
        if (type != posix_regular && type != posix_link) continue;
        if (!passes_filter(entry)) continue;
        auto file = file_item(entry, bk::Path::file_name(entry), false, &status);
        if (file && take_file(entry, file->modified, file->size)) add_file(*item, std::move(file));
    }
    if (scanned != nullptr) copy_metadata(*item, *scanned);
    else copy_metadata(*item, bk::Directory(path));
    return item;
}

bool BackupDataColl::is_destination(const bk::String& directory) const {
    // The names are compared first, so only a folder named like the
    // destination costs a look at the file system.
    return !destination_.empty() && bk::Path::file_name(directory) == bk::Path::file_name(destination_) &&
           bk::os::resolved_path(directory) == destination_;
}

std::unique_ptr<DataHeader> BackupDataColl::file_item(const bk::String& path, const bk::String& name,
                                                      bool top_level, const bk::SystemFile* scanned) {
    for (std::uint32_t attempts = 0;; ++attempts) {
        try {
            // A top-level source that is a link is followed once: its data
            // and metadata are those of what it points to.
            // A retry looks again; the first try takes what the listing saw.
            const bk::File fresh(path);
            const bk::SystemFile& file = attempts == 0 && scanned != nullptr ? *scanned : fresh;
            if (file.posix_mode() == 0) throw bk::IOException(bk::system_error(u"", bk::error::file_not_found),
                                                      bk::error::file_not_found, path);
            auto item = std::make_unique<DataHeader>(ItemKind::file, name);
            copy_metadata(*item, file);
            item->size = file.size();
            if (top_level && file.is_link()) {
                const bk::String target = bk::Path::combine(bk::Path::directory_name(path), bk::os::read_link(path));
                bk::File resolved(target);
                if (resolved.posix_mode() == 0)
                    throw bk::IOException(bk::system_error(u"", bk::error::file_not_found), bk::error::file_not_found, path);
                copy_metadata(*item, resolved);
                item->size = resolved.size();
            }
            return item;
        } catch (const bk::IOException& error) {
            if (events_.retry_after(error, attempts)) continue;
            if (top_level) events_.warning(unable_to_parse(path, error.message()));
            return nullptr;
        }
    }
}

void BackupDataColl::add_file(DataHeader& parent, std::unique_ptr<DataHeader> file) {
    data_total_ += estimated_bytes(*file);
    parent.add_file(std::move(file));
}

std::unique_ptr<DataHeader> BackupDataColl::scan_ftp_directory(const bk::String& path, bool recursive, bool& stopped) {
    FtpConnection& connection = events_.ftp_connection(path);
    if (!recursive) return lone_directory(ItemKind::ftp_directory, path);
    events_.parse_source(path);
    auto item = std::make_unique<DataHeader>(ItemKind::ftp_directory, path);
    std::vector<std::unique_ptr<FtpDirectory>> directories;
    std::vector<std::unique_ptr<FtpFile>> files;
    try {
        FtpDirectory(connection, path).generate_list(directories, files);
    } catch (const bk::Exception& error) {
        events_.warning(unable_to_parse(path, error.message()));
        return nullptr;
    }
    for (const auto& directory : directories) {
        if (events_.has_stopped()) {
            stopped = true;
            return nullptr;
        }
        auto sub = scan_ftp_directory(directory->get_full_name(), true, stopped);
        if (stopped) return nullptr;
        if (sub && keep_directory(*sub)) {
            sub->modified = directory->get_modified_time();
            item->add_directory(std::move(sub));
        }
    }
    for (const auto& remote : files) {
        const bk::String& full = remote->get_full_name();
        if (!passes_filter(full)) continue;
        const std::int64_t modified = exact_ftp_time(*remote);
        if (!take_file(full, modified, static_cast<std::uint64_t>(remote->get_length()))) continue;
        auto file = std::make_unique<DataHeader>(ItemKind::ftp_file, remote->get_name());
        file->size = static_cast<std::uint64_t>(remote->get_length());
        file->modified = modified;
        file->ftp = &connection;
        add_file(*item, std::move(file));
    }
    return item;
}

bool changed_since(const RecordedFiles& recorded, const bk::String& full_path, std::int64_t modified,
                   std::uint64_t size, bool zero_changed) {
    const auto found = recorded.find(full_path);
    if (found == recorded.end()) return true;
    const RecordedFile& file = found->second;
    if (file.modified != modified || (zero_changed && file.modified == 0)) return true;
    return file.stored_size && *file.stored_size != archive::stored_size(file.cipher, size);
}

bool holds_files(DataHeader& directory) {
    archive::recount(directory);
    return directory.subtree_files > 0;
}

IncrementalDataColl::IncrementalDataColl(const BackupItem& job, ScanEvents& events, RecordedFiles recorded)
    : BackupDataColl(job, events), recorded_(std::move(recorded)) {}

bool IncrementalDataColl::take_file(const bk::String& full_path, std::int64_t modified, std::uint64_t size) {
    return changed_since(recorded_, full_path, modified, size);
}

}  // namespace brim
