#include "core/engine/directory_copy_session.h"

#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"
#include "core/engine/copy_data_coll.h"
#include "core/jobs/system_info.h"
#include "basekit/text_format.h"
#include "core/media/ftp_context.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_tree.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_unable_to_copy = 140;
constexpr std::uint32_t msg_no_copied_data = 204;

}  // namespace

SessionRunResult DirectoryCopySession::run() {
    BackupItem& job = backup_item();
    CopyDataColl collection(job, scan_events(), job.destination, TargetRule::under_target);
    if (!collection.scan(SystemInfo::cluster_size(job.destination))) return SessionRunResult::stopped;
    fire_end_parse(collection);
    if (collection.file_count() == 0 && collection.directory_count() == 0) {
        warning(message(msg_no_copied_data));
        return SessionRunResult::nothing_to_back_up;
    }
    CopiedFiles copied;
    copy_tree(collection.root(), [this](const DataHeader& file) { return replaces(file); }, true, copied);
    if (has_stopped()) return SessionRunResult::stopped;
    run_after_write_hook(job.destination);
    if (job.has_option(job_option::verify)) verify_copies(collection.root(), copied);
    if (has_stopped()) return SessionRunResult::stopped;
    if (delete_sources_) delete_copied_sources(collection.root(), copied);
    return SessionRunResult::done;
}

bool DirectoryCopySession::replaces(const DataHeader& file) {
    if (is_ftp_path(file.target_path)) return replaces_remote(file);
    const std::uint32_t policy = backup_item().restore_policy();
    // Overwriting needs no look at the target, nor does a folder this run made.
    const bool overwrites = policy != job_option::restore_keep && policy != job_option::restore_ask &&
                            policy != job_option::restore_by_time;
    if (overwrites || target_folder_is_new(file)) return true;
    const bk::os::EntryStatus target = bk::os::status(file.target_path);
    if (target.kind == bk::os::EntryKind::none) return true;
    switch (policy) {
        case job_option::restore_keep: return false;
        case job_option::restore_ask: return fire_replace_dir_file(file.full_path(), file.target_path);
        // The newer file wins: a changed source updates the mirror, a target
        // edited since is kept.
        case job_option::restore_by_time: return file.modified > target.modify_time;
        default: return true;
    }
}

bool DirectoryCopySession::replaces_remote(const DataHeader& file) {
    std::optional<FtpListEntry> target;
    try {
        target = find_ftp_entry(get_ftp_connection(file.target_path), file.target_path);
    } catch (const bk::Exception& failure) {
        warning(bk::format_text(message(msg_unable_to_copy), {file.full_path(), failure.message()}));
        return false;
    }
    if (!target) return true;
    switch (backup_item().restore_policy()) {
        case job_option::restore_keep: return false;
        case job_option::restore_ask: return fire_ftp_replace_file(file, file.target_path);
        // The server gives the copy the time of its upload: a source changed
        // since is newer.
        case job_option::restore_by_time: return file.modified > target->modified_time;
        default: return true;
    }
}

void DirectoryCopySession::delete_copied_sources(const DataHeader& root, const CopiedFiles& copied) {
    for (const auto& directory : root.directories()) {
        // A source taken without its subdirectories is left as it is.
        if (directory->attributes == bk::file_attribute::not_found) continue;
        fire_delete_old_data(directory->full_path());
        delete_copied(*directory, copied);
    }
    for (const auto& file : root.files()) {
        if (copied.count(file.get()) == 0) continue;
        fire_delete_old_data(file->full_path());
        delete_source_file(*file);
    }
}

bool DirectoryCopySession::delete_copied(const DataHeader& directory, const CopiedFiles& copied) {
    bool emptied = true;
    for (const auto& sub : directory.directories()) emptied = delete_copied(*sub, copied) && emptied;
    for (const auto& file : directory.files()) {
        if (copied.count(file.get()) != 0) delete_source_file(*file);
        else emptied = false;
    }
    if (!emptied) return false;
    // A folder that still holds something (a file not taken by the filter,
    // one made since the scan) stays.
    try {
        if (directory.is_ftp()) FtpDirectory(get_ftp_connection(directory.full_path()), directory.full_path()).remove();
        else bk::os::remove_directory(directory.full_path());
        return true;
    } catch (const bk::Exception&) {
        return false;
    }
}

void DirectoryCopySession::delete_source_file(const DataHeader& file) {
    const bk::String path = file.full_path();
    try {
        if (file.is_ftp()) {
            FtpConnection& connection = file.ftp != nullptr ? *file.ftp : get_ftp_connection(path);
            FtpFile(connection, path, file.modified, static_cast<std::int64_t>(file.size)).remove();
        } else {
            bk::os::remove_file(path);
        }
    } catch (const bk::Exception&) {
        // The source stays where it was; its copy is complete.
    }
}

}  // namespace brim
