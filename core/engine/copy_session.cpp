#include "core/engine/copy_session.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "basekit/platform/os_faults.h"
#include "basekit/date.h"
#include "basekit/file_ops.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_names.h"
#include "core/archive/set_replacement.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "core/media/ftp_cleanup.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_retry.h"
#include "core/media/ftp_tree.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_failed = 129;
constexpr std::uint32_t msg_damaged = 144;
constexpr std::uint32_t msg_full_instead = 199;
constexpr std::uint32_t msg_no_copied_data = 204;
constexpr std::uint32_t msg_room_not_checked = 534;
constexpr char16_t rewrite_suffix[] = u"~~temp";

bool has_content(const BackupDataColl& collection) {
    return collection.file_count() > 0 || collection.directory_count() > 0;
}

bool copy_everything(const DataHeader&) { return true; }

// The digests of a run's files in catalogue order: a copy made in this run
// has one when it passed verification; a copy `decide` left as it was
// keeps the one it had (`kept`, by path).
std::vector<archive::FileDigest> digests_in_order(DataHeader& root, const std::function<bool(const DataHeader&)>& decide,
                                                  const std::unordered_set<const DataHeader*>& copied,
                                                  const TakenDigests& taken, const KeptDigests& kept) {
    std::vector<archive::FileDigest> digests;
    archive::for_each_file(root, [&](const DataHeader& file) {
        archive::FileDigest digest;
        if (!decide(file)) {
            if (const auto found = kept.find(file.full_path()); found != kept.end()) digest = found->second;
        } else if (const archive::FileDigest* found = taken.find(&file); found != nullptr && copied.count(&file) != 0) {
            digest = *found;
        }
        digests.push_back(digest);
    });
    return digests;
}

// The digests of the files of the set's last run, by path.
KeptDigests last_run_digests(const bk::String& main_path) {
    KeptDigests kept;
    const auto read = archive::read_set_layout(main_path, true, true, Version::major_version);
    if (read.error != archive::LayoutError::none || read.layout.runs.empty()) return kept;
    const archive::SetDigests digests = archive::read_set_digests(read.layout);
    for (const auto& [item, digest] : digests.of_run(read.layout, read.layout.runs.size() - 1))
        kept[item->full_path()] = digest;
    return kept;
}

}  // namespace

archive::SetWriterSettings CopySetSession::writer_settings() const {
    archive::SetWriterSettings settings = ArchiveSession::writer_settings();
    settings.has_copy_root = true;
    return settings;
}

bk::String CopySetSession::new_copy_root_name() {
    const BackupItem& job = backup_item();
    const bk::String base = archive::copy_root_name(job.name, bk::Date(bk::Date::now_time()));
    bk::String name = base;
    // Two runs within the same minute get the same dated name.
    for (int n = 1; destination_has(bk::Path::combine(job.destination, name)); ++n)
        name = bk::format_text(u"%s_%d", {base, n});
    return name;
}

std::uint64_t CopySetSession::space_needed(const CopyDataColl& collection) const {
    // The copies go to the server, whose room cannot be asked: only the
    // staged catalogue takes room on the staging folder's file system.
    return is_ftp_path(backup_item().destination) ? 0 : collection.space_estimate();
}

bool CopySetSession::destination_has(const bk::String& path) {
    if (!is_ftp_path(path)) return bk::os::status(path).kind != bk::os::EntryKind::none;
    FtpConnection& connection = get_ftp_connection(path);
    return run_with_ftp_retry(&retry_policy(), connection, ftp_message::cannot_list,
                              [&] { return find_ftp_entry(connection, path).has_value(); });
}

void CopySetSession::remove_new_root(const bk::String& path) {
    // What is left is not recorded in any set; it takes room, nothing else.
    if (is_ftp_path(path)) {
        // Taken back also when the run was stopped, and once more on a
        // fresh connection when the server dropped the run's.
        try {
            FtpConnection& connection = get_ftp_connection(path);
            if (!delete_ftp_directory_tree(connection, path, nullptr)) {
                connection.reconnect();
                delete_ftp_directory_tree(connection, path, nullptr);
            }
        } catch (const bk::Exception&) {
        }
        created_root_.clear();
        return;
    }
    try {
        bk::Directory(path).remove_tree();
    } catch (const bk::Exception&) {
    }
}

void CopySetSession::before_staged_run() {
    server_roots_ = archive::recorded_copy_roots(set_job().archive_file(), Version::major_version);
    created_root_.clear();
}

void CopySetSession::after_unpublished_run(FtpConnection&) {
    if (!created_root_.empty()) remove_new_root(created_root_);
}

void CopySetSession::after_publish(FtpConnection& connection, const bk::String& staged_main) {
    created_root_.clear();
    const std::vector<bk::String> recorded = archive::recorded_copy_roots(staged_main, Version::major_version);
    for (const bk::String& root : server_roots_) {
        if (std::find(recorded.begin(), recorded.end(), root) != recorded.end()) continue;
        const bk::String remote = ftp_path_join(backup_item().destination, root);
        fire_delete_old_data(remote);
        // A folder that cannot be deleted is no longer part of the set.
        delete_ftp_directory_tree(connection, remote, &retry_policy());
    }
}

bool CopySetSession::writer_usable(const archive::SetWriter& writer) {
    if (writer.state() == archive::SetWriter::State::opened || writer.state() == archive::SetWriter::State::no_set)
        return true;
    error(msg_failed, message(msg_damaged));
    return false;
}

SessionRunResult CopySetSession::copy_run(archive::SetWriter& writer, CopyDataColl& collection,
                                          const bk::String& root_name, bool overwrite, const CopyDecision& decide,
                                          const archive::SecurityHeader* security) {
    BackupItem& job = backup_item();
    if (!check_dest_space(set_job().destination, space_needed(collection))) return SessionRunResult::failed;
    if (is_ftp_path(job.destination))
        record(LogType::information, bk::format_text(message(msg_room_not_checked), {ftp_host(job.destination)}));
    const std::int64_t now = bk::Date::now_time();
    archive::DataKey key;
    const archive::SecurityHeader header = security != nullptr ? *security : security_for(writer, now, key);

    const bk::String root_path = bk::Path::combine(job.destination, root_name);
    const bool new_root = !destination_has(root_path);
    make_directory(root_path);
    if (new_root && is_ftp_path(root_path)) created_root_ = root_path;
    CopiedFiles copied;
    CopyDigests digests;
    DataHeader& root = collection.root();
    try {
        copy_tree(root, decide, overwrite, copied, &digests);
        // Verified before it is recorded: a copy found different gets time
        // 0, so the next run copies it again.
        if (!has_stopped()) {
            run_after_write_hook(root_path);
            if (job.has_option(job_option::verify)) verify_copies(root, copied);
        }
        archive::for_each_file(root, [&](DataHeader& file) {
            if (decide(file) && copied.count(&file) == 0) file.modified = 0;
        });
        archive::RunHeader run;
        run.backup_time = now;
        run.directory_count = collection.directory_count();
        run.file_count = collection.file_count();
        run.total_size = collection.total_size();
        run.has_copy_root = true;
        run.copy_root = root_name;
        run.ftp_servers = job.ftp_servers;
        writer.begin_run(header, run, root, false);
        writer.set_digests(digests_in_order(root, decide, copied, digests.collect(), kept_digests_));
        writer.finish_run();
    } catch (const bk::Exception&) {
        // What the failed run wrote goes, so the next run finds the
        // destination as it was; merge_copy's folder stays, as it holds the
        // earlier copies.
        writer.abandon_run();
        if (new_root) remove_new_root(root_path);
        if (BackupItemReport* report = active_report()) {
            report->completed_files = 0;
            report->completed_size = 0;
        }
        throw;
    }
    return has_stopped() ? SessionRunResult::stopped : SessionRunResult::done;
}

SessionRunResult CopySession::run() {
    BackupItem& job = backup_item();
    auto writer = open_set_writer();
    const bool existed = writer->state() == archive::SetWriter::State::opened && writer->run_count() > 0;
    const bool keeps = job.has_option(job_option::keep_set);
    const bool replaces = writer->state() == archive::SetWriter::State::damaged || (existed && !keeps);
    if (!replaces && !writer_usable(*writer)) return SessionRunResult::failed;
    const bk::String root_name = new_copy_root_name();
    CopyDataColl collection(job, scan_events(), bk::Path::combine(job.destination, root_name),
                            TargetRule::keep_location);
    if (!collection.scan(SystemInfo::cluster_size(job.destination))) return SessionRunResult::stopped;
    fire_end_parse(collection);
    if (!has_content(collection)) {
        warning(message(msg_no_copied_data));
        return SessionRunResult::nothing_to_back_up;
    }
    if (replaces)
        return replace_set(writer, space_needed(collection), [&](archive::SetWriter& fresh) {
            return copy_run(fresh, collection, root_name, true, copy_everything);
        });
    return copy_run(*writer, collection, root_name, !(keeps && existed), copy_everything);
}

SessionRunResult IncrementCopySession::run() {
    BackupItem& job = backup_item();
    auto writer = open_set_writer();
    const bool opened = writer->state() == archive::SetWriter::State::opened;
    const bool keeps = job.has_option(job_option::keep_set);
    bool existed = false;
    bool replaces = false;
    const bk::String root_name = new_copy_root_name();
    const bk::String root_path = bk::Path::combine(job.destination, root_name);
    std::unique_ptr<CopyDataColl> collection;
    if (trigger_fires(*writer)) {
        warning(message(msg_full_instead));
        report_type_ = ReportType::copy;
        if (active_report() != nullptr) active_report()->type = ReportType::copy;
        replaces = true;
    } else if (opened && writer->run_count() > 0 && keeps) {
        existed = true;
        collection = std::make_unique<IncrementalCopyDataColl>(job, scan_events(), root_path, TargetRule::keep_location,
                                                               recorded_files(true));
    } else {
        replaces = writer->state() == archive::SetWriter::State::damaged || (opened && writer->run_count() > 0);
    }
    if (!collection)
        collection = std::make_unique<CopyDataColl>(job, scan_events(), root_path, TargetRule::keep_location);
    if (!replaces && !writer_usable(*writer)) return SessionRunResult::failed;
    if (!collection->scan(SystemInfo::cluster_size(job.destination))) return SessionRunResult::stopped;
    fire_end_parse(*collection);
    // Nothing changed: no folder is made and nothing is recorded.
    if (collection->file_count() == 0) return SessionRunResult::nothing_to_back_up;
    if (replaces)
        return replace_set(writer, space_needed(*collection), [&](archive::SetWriter& fresh) {
            return copy_run(fresh, *collection, root_name, true, copy_everything);
        });
    return copy_run(*writer, *collection, root_name, !existed, copy_everything);
}

SessionRunResult MergeCopySession::run() {
    BackupItem& job = backup_item();
    auto writer = open_set_writer();
    if (writer->state() == archive::SetWriter::State::damaged) delete_old_data(writer);
    if (!writer_usable(*writer)) return SessionRunResult::failed;
    if (writer->state() == archive::SetWriter::State::opened && writer->run_count() > 0) return merge(writer);

    const bk::String root_name = new_copy_root_name();
    CopyDataColl collection(job, scan_events(), bk::Path::combine(job.destination, root_name),
                            TargetRule::under_target);
    if (!collection.scan(SystemInfo::cluster_size(job.destination))) return SessionRunResult::stopped;
    fire_end_parse(collection);
    if (!has_content(collection)) {
        warning(message(msg_no_copied_data));
        return SessionRunResult::nothing_to_back_up;
    }
    return copy_run(*writer, collection, root_name, true, copy_everything);
}

// Copies what is new or changed into the set's folder and writes the ".bvd"
// anew with one run holding the merged tree. The new ".bvd" is written
// beside the old one and renamed over it, so a failure leaves the old one.
SessionRunResult MergeCopySession::merge(std::unique_ptr<archive::SetWriter>& writer) {
    BackupItem& job = backup_item();
    const archive::SetLayout& layout = *writer->layout();
    const bk::String root_name = layout.runs.back().header.copy_root;
    if (!archive::is_plain_copy_root(root_name)) {
        error(msg_failed, message(msg_damaged));
        return SessionRunResult::failed;
    }
    archive::DataKey key;
    const archive::SecurityHeader security = security_for(*writer, bk::Date::now_time(), key);
    MergeDataColl collection(job, scan_events(), bk::Path::combine(job.destination, root_name),
                             TargetRule::under_target, recorded_files(true));
    if (!collection.scan(SystemInfo::cluster_size(job.destination))) return SessionRunResult::stopped;
    fire_end_parse(collection);
    if (!has_content(collection)) {
        warning(message(msg_no_copied_data));
        return SessionRunResult::nothing_to_back_up;
    }
    // A copy that went missing from the folder is made again. Each file is
    // decided once: the run asks again after its copies are made, and on a
    // server every look costs a listing.
    std::unordered_map<const DataHeader*, bool> decided;
    const CopyDecision decide = [this, &collection, &decided](const DataHeader& file) {
        const auto [found, fresh] = decided.try_emplace(&file, false);
        if (fresh) found->second = collection.needs_copy(file) || !destination_has(file.target_path);
        return found->second;
    };
    const bk::String main = set_job().archive_file();
    kept_digests_ = last_run_digests(main);
    const bk::String rewritten = main + rewrite_suffix;
    const auto remove_rewritten = [&] {
        bk::os::remove_file(rewritten);
        bk::os::remove_file(archive::digest_path(rewritten));
    };
    remove_rewritten();
    SessionRunResult result;
    {
        archive::SetWriter fresh(rewritten, writer_settings());
        writer.reset();
        try {
            result = copy_run(fresh, collection, root_name, true, decide, &security);
        } catch (const bk::Exception&) {
            remove_rewritten();
            throw;
        }
    }
    if (result == SessionRunResult::failed) {
        remove_rewritten();
        return result;
    }
    bk::os::crash_point(u"merge-catalogue-written");
    bk::replace_file(rewritten, main);
    // A crash before this leaves the old digests beside the new catalogue:
    // no block of theirs matches its run, so none is applied.
    const bk::String digests = archive::digest_path(rewritten);
    if (bk::os::status(digests).kind != bk::os::EntryKind::none) bk::replace_file(digests, archive::digest_path(main));
    return result;
}

}  // namespace brim
