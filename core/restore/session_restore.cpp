// The restore side of a session: opening the job's set into its runs and
// restoring selected items from it.
#include <set>

#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/archive/set_names.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/system_info.h"
#include "core/engine/ftp_destination.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_server_connections.h"
#include "core/media/ftp_staging.h"
#include "core/restore/item_pick.h"
#include "core/restore/opened_set.h"
#include "core/restore/restorer.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_executed_restore = 146;
constexpr std::uint32_t msg_restore_failed = 147;
constexpr std::uint32_t msg_damaged = 144;
constexpr std::uint32_t msg_unknown_error = 192;
constexpr std::uint32_t msg_ftp_restore = 157;
constexpr std::uint32_t msg_unable_to_open = 160;
constexpr std::uint32_t msg_no_set = 161;
constexpr std::uint32_t msg_compression = 165;
constexpr std::uint32_t msg_nothing_restored = 172;

[[noreturn]] void open_failed(const bk::String& path, const bk::String& reason, const bk::String& job_name) {
    LogManager::instance()->log(LogType::error, bk::format_text(core_string(msg_unable_to_open), {path, reason}),
                                job_name);
    throw BackupException(reason);
}

// The job `make` makes from an archive file at `where`; a file that is not
// a set (null), and whatever `make` throws, end in the logged failure to open.
template <typename Make>
std::unique_ptr<BackupItem> job_made(const bk::String& where, Make&& make) {
    try {
        auto job = make();
        if (!job) open_failed(where, core_string(msg_damaged), {});
        return job;
    } catch (const BackupException&) {
        throw;
    } catch (const bk::EOFException&) {
        open_failed(where, core_string(msg_damaged), {});
    } catch (const bk::Exception& failure) {
        open_failed(where, failure.message(), {});
    } catch (...) {
        open_failed(where, core_string(msg_unknown_error), {});
    }
}

std::uint64_t rounded(std::uint64_t size, std::uint32_t cluster) {
    return cluster == 0 ? size : (size + cluster - 1) / cluster * cluster;
}

// Files, folders, bytes and disk space of an item's subtree: with a pick,
// only the copies it chose, and each folder once however many runs hold it.
struct Extent {
    explicit Extent(const restore::ItemPick* chosen = nullptr) : pick(chosen) {}
    const restore::ItemPick* pick;
    std::uint32_t files = 0, directories = 0;
    std::uint64_t size = 0, needed = 0;
    std::set<bk::String> folders;
    void add(const DataHeader& item, std::uint32_t cluster) {
        if (!item.is_directory()) {
            if (pick != nullptr && !pick->chosen(item)) return;
            ++files;
            size += item.size;
            needed += rounded(item.size, cluster);
            return;
        }
        needed += cluster;
        if (!item.name().empty() && (pick == nullptr || folders.insert(item.name()).second)) ++directories;
        for (const auto& sub : item.directories()) add(*sub, cluster);
        for (const auto& file : item.files()) add(*file, cluster);
    }
};

// The selection with each grouping node replaced by what it stands for.
void flatten(const DataHeader* item, std::vector<const DataHeader*>& out) {
    if (item == nullptr) return;
    if (!item->is_directory() || !item->name().empty()) {
        out.push_back(item);
        return;
    }
    for (const auto& sub : item->directories()) flatten(sub.get(), out);
    for (const auto& file : item->files()) flatten(file.get(), out);
}

}  // namespace

std::unique_ptr<BackupItem> BackupSession::open(bk::StringView path) {
    return job_made(bk::String(path), [&] { return restore::job_from_archive(path); });
}

std::unique_ptr<BackupItem> BackupSession::open(bk::StringView path, const FtpConnectInfo& server) {
    const bk::String where(path);
    const std::size_t slash = where.rfind(u'/');
    const bk::String folder = where.substr(0, slash);
    const bk::String name = where.substr(slash + 1);
    return job_made(where, [&]() -> std::unique_ptr<BackupItem> {
        if (!is_ftp_path(where) || ftp_remote_path(where) == u"/" || name.empty())
            throw bk::IOException(bk::format_text(core_string(msg_no_set), {where}));
        // Only the main archive is read to make the job; readings of the set
        // fetch the rest.
        BackupItem reading;
        reading.name = name;
        std::vector<const FtpConnectInfo*> servers{&server};
        FtpServerConnections connections;
        connections.set_servers(servers);
        FtpStaging staging(staging_folder(reading, u"open"));
        (void)staging.fetch(connections.connection_for(folder, nullptr), folder,
                            [&name](bk::StringView file) { return file == name; }, nullptr);
        const bk::String staged = bk::Path::combine(staging.folder(), name);
        if (!bk::SystemFile::is_file(staged)) throw bk::IOException(bk::format_text(core_string(msg_no_set), {where}));
        auto job = restore::job_from_archive(staged);
        if (!job) return job;
        job->destination = folder;
        // The log-on given now is the one for this server, ahead of any the
        // set's sources name.
        std::erase_if(job->ftp_servers, [&](const FtpConnectInfo& entry) { return names_server(entry, folder); });
        job->ftp_servers.insert(job->ftp_servers.begin(), server);
        return job;
    });
}

OpenArchiveResult BackupSession::open(std::vector<const archive::RunLayout*>& runs, OpenArchiveEvent* event,
                                      bk::StringView path) {
    bk::String file(path);
    if (file.empty() || bk::Path::extension_name(file) == archive::volume_extension) file = job_->archive_file();
    opened_ = std::make_unique<restore::OpenedSet>();
    restore::ReadResult result = restore::ReadResult::damaged;
    try {
        if (file == job_->archive_file() && is_ftp_path(file)) {
            file = fetch_remote_set();
            // Stopped while the main archive came: nothing read.
            if (has_stopped()) {
                runs.clear();
                return OpenArchiveResult::cancelled;
            }
            opened_->fetch_volume = [this](bk::String& volume) { return fetch_volume(volume); };
        }
        result = restore::read_opened_set(*job_, file, event, *opened_);
    } catch (const bk::Exception& failure) {
        open_failed(file, failure.message(), job_->name);
    } catch (...) {
        open_failed(file, core_string(msg_unknown_error), job_->name);
    }
    auto& read = opened_->layout.runs;
    // Runs from the first one written with compression on cannot be read.
    for (std::size_t i = 0; i < read.size(); ++i) {
        if (read[i].header.compression == 0) continue;
        if (i == 0) open_failed(file, core_string(msg_compression), job_->name);
        read.resize(i);
        result = restore::ReadResult::runs_unreadable;
        break;
    }
    runs.clear();
    for (const auto& run : read) runs.push_back(&run);
    switch (result) {
        case restore::ReadResult::ok: return OpenArchiveResult::all_read;
        case restore::ReadResult::cancelled:
            return runs.empty() ? OpenArchiveResult::cancelled : OpenArchiveResult::partly_read;
        case restore::ReadResult::runs_unreadable: return OpenArchiveResult::partly_read;
        default: open_failed(file, restore::read_failure_reason(result), job_->name);
    }
}

bool BackupSession::bind_ftp_item(const DataHeader& item, const bk::String& place) {
    try {
        get_ftp_connection(place);
        return true;
    } catch (const bk::Exception& failure) {
        warning(bk::format_text(core_string(msg_ftp_restore), {item.full_path(), failure.message()}));
        return false;
    }
}

void BackupSession::parse_restore_data(const DataHeader& header, bk::StringView target, std::uint64_t& needed,
                                       bk::String& out_path) {
    std::uint32_t cluster = 0;
    if (!target.empty()) {
        out_path = bk::String(target);
    } else if (header.is_directory() && !header.name().empty()) {
        out_path = header.name();
    } else if (!header.is_directory()) {
        const DataHeader* parent = header.parent();
        out_path = parent != nullptr && !parent->name().empty() ? parent->name() : header.name();
        if (header.is_ftp()) cluster = 4096;
    } else if (!header.directories().empty()) {
        out_path = header.directories().front()->name();
    } else if (!header.files().empty()) {
        out_path = header.files().front()->name();
    }
    if (header.is_ftp() && header.is_directory()) cluster = 4096;
    if (cluster == 0) cluster = SystemInfo::cluster_size(out_path);
    Extent extent;
    extent.add(header, cluster);
    if (report_ != nullptr) report_->original_size += extent.size;
    needed += extent.needed;
}

bool BackupSession::do_restore(const DataHeader* header, bk::StringView target, std::uint32_t option) {
    if (header == nullptr || restorer_ == nullptr) return true;
    (void)option;
    if (!target.empty()) {
        bk::Directory folder{bk::String(target)};
        if (!folder.exists()) folder.create();
    }
    return restorer_->restore_selected(*header);
}

void BackupSession::restore(const std::vector<const DataHeader*>& selection, bk::StringView target,
                            std::uint32_t option) {
    if (direction_ != SessionDirection::restore) return;
    BackupItemReportColl* reports = nullptr;
    try {
        if ((reports = job_->get_reports()) != nullptr) {
            report_ = reports->create_report(ReportType::restore, true);
            report_->result = static_cast<std::int32_t>(RunResult::successful);
        }
        LogManager::instance()->log(LogType::information, msg_executed_restore, job_->name);
        fire_begin_restore();
        if (!opened_) throw BackupException(msg_damaged);

        std::vector<const DataHeader*> items;
        for (const DataHeader* item : selection) flatten(item, items);
        // Each file is written once, from the newest run that holds it whole.
        restore::ItemPick pick(opened_->layout, items);
        Extent extent(&pick);
        if (!target.empty()) {
            const std::uint32_t cluster = SystemInfo::cluster_size(target);
            for (const DataHeader* item : items) extent.add(*item, cluster);
            // A stop is told below.
            if (!has_stopped()) {
                if (check_dest_space(target, extent.needed)) {
                    fire_end_parse(extent.files, extent.directories, extent.size);
                } else {
                    items.clear();
                    extent = Extent(&pick);
                }
            }
        } else {
            // The servers of the set, and the job's own (their log-on may be newer).
            add_ftp_servers(opened_->layout.security.ftp_servers);
            add_ftp_servers(job_->ftp_servers);
            std::vector<const DataHeader*> local;
            for (const DataHeader* item : items) {
                bk::String place;
                std::uint64_t needed = 0;
                parse_restore_data(*item, target, needed, place);
                if (item->is_ftp() && !bind_ftp_item(*item, place)) continue;
                if (has_stopped()) break;
                extent.add(*item, 0);
                local.push_back(item);
            }
            items = std::move(local);
            if (!has_stopped()) fire_end_parse(extent.files, extent.directories, extent.size);
        }
        const bool space_short = report_ != nullptr && report_->result == static_cast<std::int32_t>(RunResult::aborted);
        // A stop may come at any moment up to here too: the listener hears
        // of it once, wherever it came.
        if (has_stopped()) {
            fire_end_stop();
        } else if (!space_short) {
            restore::Restorer restorer(*this, *opened_, target, option, pick);
            restorer_ = &restorer;
            struct Reset {
                restore::Restorer*& slot;
                ~Reset() { slot = nullptr; }
            } reset{restorer_};
            bool going = true;
            for (const DataHeader* item : items)
                if (!(going = do_restore(item, target, option))) break;
            if (!has_stopped()) restorer.finish();
            if (report_ != nullptr) report_->end_time = bk::Date::now_time() % bk::microseconds_per_day;
            if (has_stopped()) fire_end_stop();
            else if (restorer.every_file_failed()) error(msg_restore_failed, core_string(msg_nothing_restored));
            else fire_end_restore();
        }
    } catch (...) {
        fail_run(msg_restore_failed);
    }
    settle_stop();
    save_reports(reports);
}

}  // namespace brim
