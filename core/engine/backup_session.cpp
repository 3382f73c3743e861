#include "core/engine/backup_session.h"

#include <thread>

#include "basekit/date.h"
#include "basekit/error_code.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/archive/digest_format.h"
#include "core/archive/set_replacement.h"
#include "core/core_strings.h"
#include "core/engine/backup_data_coll.h"
#include "core/engine/ftp_destination.h"
#include "core/engine/item_source.h"
#include "core/engine/session_kinds.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_input_stream.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_staging.h"
#include "core/media/ftp_tree.h"
#include "core/media/open_file_reader.h"
#include "core/media/raw_disk_binding.h"
#include "core/restore/opened_set.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_executed = 127;
constexpr std::uint32_t msg_invalid_job = 128;
constexpr std::uint32_t msg_failed = 129;
constexpr std::uint32_t msg_no_space_backup = 130;
constexpr std::uint32_t msg_no_space_restore = 133;
constexpr std::uint32_t msg_restore_failed = 147;
constexpr std::uint32_t msg_unable_to_back_up = 143;
constexpr std::uint32_t msg_damaged = 144;
constexpr std::uint32_t msg_unknown_error = 192;
constexpr std::uint32_t msg_deleted_data = 208;
constexpr std::uint32_t msg_retries = 210;
constexpr std::uint32_t msg_open_files = 211;
constexpr std::uint64_t space_margin = 1048576;

std::int64_t time_of_day_now() {
    const std::int64_t now = bk::Date::now_time();
    return ((now % bk::microseconds_per_day) + bk::microseconds_per_day) % bk::microseconds_per_day;
}

// The network failures that the retry rule retries.
bool is_network_failure(std::int32_t code) {
    return code == bk::error::network_name_deleted || code == bk::error::network_unreachable ||
           code == bk::error::host_unreachable;
}

// The failures of a file that end the whole run instead of being a warning.
bool aborts_run(std::int32_t code) {
    return code == bk::error::network_name_deleted || code == bk::error::disk_full ||
           code == bk::error::network_unreachable;
}

// The reason of a failure as the user needs it: a platform failure names
// the file or folder that refused, unless its text does already.
bk::String reason_with_path(const bk::Exception& failure) {
    const auto* io = dynamic_cast<const bk::IOException*>(&failure);
    if (io == nullptr || io->path().empty() || failure.message().find(io->path()) != bk::String::npos)
        return failure.message();
    return io->path() + u": " + failure.message();
}

std::int32_t code_of(const bk::Exception& error) {
    const auto* io = dynamic_cast<const bk::IOException*>(&error);
    return io != nullptr ? io->error_code() : 0;
}

}  // namespace

std::unique_ptr<BackupSession> BackupSession::create_session(BackupItem* job, SessionDirection direction) {
    if (job == nullptr) return nullptr;
    try {
        return make_session_for_kind(job, direction);
    } catch (...) {
        return nullptr;
    }
}

BackupSession::BackupSession(BackupItem* job, SessionDirection direction) : job_(job), direction_(direction) {}

BackupSession::~BackupSession() = default;

void BackupSession::install(BackupEvent* listener) {
    backup_listener_ = listener;
    restore_listener_ = nullptr;
}

void BackupSession::install(RestoreEvent* listener) {
    restore_listener_ = listener;
    backup_listener_ = nullptr;
}

bool BackupSession::has_stopped() const {
    if (!stopped_.load() && stop_requested_ && stop_requested_()) const_cast<BackupSession*>(this)->stop();
    if (paused_.load() && !stopped_.load()) {
        std::unique_lock lock(pause_mutex_);
        pause_changed_.wait(lock, [this] { return !paused_.load() || stopped_.load(); });
    }
    return stopped_.load();
}

// Only the flag and the moment: the worker owns the report and gives it
// the stopped result when its run ends (settle_stop), so a stop never races
// the worker on the report.
void BackupSession::stop() {
    {
        std::lock_guard lock(pause_mutex_);
        if (!stopped_.load()) stop_time_ = time_of_day_now();
        stopped_ = true;
    }
    pause_changed_.notify_all();
}

void BackupSession::settle_stop() {
    if (report_ == nullptr || !stopped_.load()) return;
    const auto result = static_cast<RunResult>(report_->result);
    if (result != RunResult::successful && result != RunResult::having_warnings) return;
    std::lock_guard lock(pause_mutex_);
    report_->end_time = stop_time_;
    report_->result = static_cast<std::int32_t>(result == RunResult::having_warnings ? RunResult::stopped_with_warnings
                                                                                       : RunResult::stopped);
}

void BackupSession::pause() {
    std::lock_guard lock(pause_mutex_);
    paused_ = true;
}

void BackupSession::resume() {
    {
        std::lock_guard lock(pause_mutex_);
        paused_ = false;
    }
    pause_changed_.notify_all();
}

bk::String BackupSession::message(std::uint32_t id) const { return core_string(id); }

void BackupSession::record(LogType type, const bk::String& text) {
    LogManager* log = LogManager::instance();
    const std::optional<LogItem> item = log->create_log_item(type, text, job_->name);
    if (!item) return;
    log->log(&*item);
    if (report_ != nullptr) report_->add_log(&*item);
}

// ---- events ----

void BackupSession::fire_begin_backup() {
    if (report_ != nullptr) report_->begin_time = time_of_day_now();
    if (backup_listener_ != nullptr) backup_listener_->begin_backup(job_->name);
}

void BackupSession::fire_begin_parse() {
    if (backup_listener_ != nullptr) backup_listener_->begin_parse();
}

void BackupSession::fire_parse_source(const bk::String& path) {
    if (backup_listener_ != nullptr) backup_listener_->parse_source(path);
}

void BackupSession::fire_end_parse(const BackupDataColl& collection) {
    if (report_ != nullptr) {
        report_->original_files = collection.file_count();
        report_->original_dirs = collection.directory_count();
        report_->original_size = collection.total_size();
    }
    if (backup_listener_ != nullptr)
        backup_listener_->end_parse(collection.file_count(), collection.directory_count(), collection.total_size());
}

void BackupSession::fire_backup_dir(const bk::String& path) {
    if (backup_listener_ != nullptr) backup_listener_->backup_dir(path);
}

void BackupSession::fire_on_file(const bk::String& path, std::uint32_t size) {
    if (backup_listener_ != nullptr) {
        if (size != 0) backup_listener_->on_file(path, size);
        else backup_listener_->on_file(path);
    } else if (restore_listener_ != nullptr) {
        if (size != 0) restore_listener_->on_file(path, size);
        else restore_listener_->on_file(path);
    }
}

void BackupSession::fire_on_size(std::uint32_t bytes) {
    if (backup_listener_ != nullptr) backup_listener_->on_size(bytes);
    else if (restore_listener_ != nullptr) restore_listener_->on_size(bytes);
}

void BackupSession::fire_on_warning(const bk::String& text) {
    if (backup_listener_ != nullptr) backup_listener_->on_warning(text);
    else if (restore_listener_ != nullptr) restore_listener_->on_warning(text);
}

void BackupSession::fire_on_error(const bk::String& text) {
    if (report_ != nullptr) {
        report_->end_time = time_of_day_now();
        report_->result = static_cast<std::int32_t>(RunResult::aborted);
    }
    if (backup_listener_ != nullptr) backup_listener_->on_error(text);
    else if (restore_listener_ != nullptr) restore_listener_->on_error(text);
}

void BackupSession::fire_end_stop() {
    if (backup_listener_ != nullptr) backup_listener_->end_stop();
    else if (restore_listener_ != nullptr) restore_listener_->end_stop();
}

void BackupSession::fire_delete_old_data(const bk::String& path) {
    record(LogType::warning, bk::format_text(message(msg_deleted_data), {path}));
    if (backup_listener_ != nullptr) backup_listener_->delete_old_data(path);
}

void BackupSession::fire_verify_file(const bk::String& path) {
    if (backup_listener_ != nullptr) backup_listener_->verify_file(path);
    else if (restore_listener_ != nullptr) restore_listener_->verify_file(path);
}

void BackupSession::fire_on_message(const bk::String& text) {
    if (backup_listener_ != nullptr) backup_listener_->on_message(text);
}

void BackupSession::fire_end_backup() {
    if (backup_listener_ != nullptr) backup_listener_->end_backup();
}

bool BackupSession::fire_replace_dir_file(const bk::String& source, const bk::String& target) {
    return backup_listener_ != nullptr && backup_listener_->replace_dir_file(source, target);
}

bool BackupSession::fire_ftp_replace_file(const DataHeader& item, const bk::String& target) {
    return backup_listener_ != nullptr && backup_listener_->ftp_replace_file(item, target);
}

void BackupSession::fire_begin_restore() {
    if (report_ != nullptr) report_->begin_time = time_of_day_now();
    if (restore_listener_ != nullptr) restore_listener_->begin_restore(job_->name);
}

void BackupSession::fire_end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) {
    if (report_ != nullptr) {
        report_->original_files = files;
        report_->original_dirs = directories;
        report_->original_size = size;
    }
    if (restore_listener_ != nullptr) restore_listener_->end_parse(files, directories, size);
}

void BackupSession::fire_restore_dir(const bk::String& path) {
    if (restore_listener_ != nullptr) restore_listener_->restore_dir(path);
}

void BackupSession::fire_end_restore() {
    if (restore_listener_ != nullptr) restore_listener_->end_restore();
}

bool BackupSession::fire_replace_file(const DataHeader& item, const bk::String& target) {
    return restore_listener_ != nullptr && restore_listener_->replace_file(item, target);
}

bool BackupSession::fire_replace_file(const bk::String& source, const bk::String& target) {
    return restore_listener_ != nullptr && restore_listener_->replace_file(source, target);
}

bool BackupSession::fire_replace_ftp_file(const DataHeader& item, const bk::String& target, std::int64_t remote_time,
                                         std::int64_t remote_size) {
    return restore_listener_ != nullptr && restore_listener_->replace_ftp_file(item, target, remote_time, remote_size);
}

void BackupSession::warning(const bk::String& text) {
    if (stopped_.load()) return;
    fire_on_warning(text);
    record(LogType::warning, text);
    if (report_ != nullptr && report_->result == static_cast<std::int32_t>(RunResult::successful))
        report_->result = static_cast<std::int32_t>(RunResult::having_warnings);
}

void BackupSession::error(std::uint32_t message_id, const bk::String& argument) {
    const bk::String text = bk::format_text(message(message_id), {argument});
    record(LogType::error, text);
    fire_on_error(text);
}

// ---- FTP ----

void BackupSession::set_ftp_servers(const std::vector<FtpConnectInfo>& servers) {
    ftp_servers_.assign(servers.begin(), servers.end());
    std::vector<const FtpConnectInfo*> pointers;
    for (const auto& server : ftp_servers_) pointers.push_back(&server);
    connections_.set_servers(pointers);
}

void BackupSession::add_ftp_servers(const std::vector<FtpConnectInfo>& servers) {
    std::vector<const FtpConnectInfo*> added;
    for (const auto& server : servers) {
        ftp_servers_.push_back(server);
        added.push_back(&ftp_servers_.back());
    }
    connections_.add_servers(added);
}

FtpConnection& BackupSession::get_ftp_connection(bk::StringView path) { return connections_.connection_for(path, &retry_policy()); }

// ---- space ----

std::int64_t BackupSession::free_space(bk::StringView path) {
    for (std::uint32_t attempts = 0;; ++attempts) {
        try {
            return SystemInfo::free_space(path);
        } catch (const bk::Exception& failure) {
            if (!retry_after(failure, attempts)) throw;
        }
    }
}

bool BackupSession::has_room(bk::StringView path, std::uint64_t size) {
    return size + space_margin < static_cast<std::uint64_t>(std::max<std::int64_t>(free_space(path), 0));
}

bool BackupSession::check_dest_space(bk::StringView path, std::uint64_t size) {
    const bool backing_up = direction_ == SessionDirection::backup;
    try {
        if (has_room(path, size)) return true;
    } catch (const bk::Exception& failure) {
        // A destination that cannot say how much room it has is not a full
        // one: the user is told what went wrong with it.
        const bk::String text =
            bk::format_text(message(backing_up ? msg_failed : msg_restore_failed), {reason_with_path(failure)});
        record(LogType::error, text);
        fire_on_error(text);
        return false;
    }
    const bk::String text = message(backing_up ? msg_no_space_backup : msg_no_space_restore);
    record(LogType::error, text);
    fire_on_error(text);
    return false;
}

// ---- scan events and the archive writer's needs ----

void BackupSession::parse_source(const bk::String& path) { fire_parse_source(path); }

bool BackupSession::retry_after(const bk::Exception& failure, std::uint32_t attempts) {
    if (!job_->need_retry() || !is_network_failure(code_of(failure)) || has_stopped() || attempts >= job_->retry_count)
        return false;
    add_retry_count();
    job_->wait_to_retry();
    return true;
}

void BackupSession::on_file(const bk::String& path, std::uint32_t size) { fire_on_file(path, size); }

void BackupSession::on_size(std::uint32_t bytes) { fire_on_size(bytes); }

std::unique_ptr<bk::InputStream> BackupSession::open_item(const DataHeader& item) {
    if (item.is_ftp()) {
        FtpConnection& connection = item.ftp != nullptr ? *item.ftp : get_ftp_connection(item.full_path());
        return std::make_unique<FtpInputStream>(connection, item.full_path(), &retry_policy());
    }
    for (std::uint32_t attempts = 0;; ++attempts) {
        try {
            // Files other programs hold open are read through the raw-disk
            // reader when an ordinary open is refused.
            if (open_file_reader_ && !is_link_item(item)) {
                auto stream = open_file_reader_->open(item.full_path());
                open_files_ = open_file_reader_->files_read();
                return stream;
            }
            return open_local_item(item);
        } catch (const bk::Exception& failure) {
            if (!retry_after(failure, attempts)) throw;
        }
    }
}

void BackupSession::item_failed(const DataHeader& item, const bk::Exception& failure) {
    if (aborts_run(code_of(failure))) throw;
    warning(bk::format_text(message(msg_unable_to_back_up), {item.full_path(), failure.message()}));
}

void BackupSession::item_written(const DataHeader& item, std::uint64_t plain_bytes) {
    // A file that went in only in part, or not at all, is not backed up.
    if (report_ == nullptr || item.status != DataStatus::complete) return;
    report_->completed_files += 1;
    report_->completed_size += plain_bytes;
}

void BackupSession::run_after_write_hook(const bk::String& archive) const {
    if (after_write_) after_write_(archive);
}

// ---- the run ----

void BackupSession::watch_transfers(FtpStaging& staging) {
    staging.set_watch({[this] { return has_stopped(); }, [this](const bk::String& remote) { fire_on_file(remote, 0); },
                       [this](std::uint32_t bytes) { fire_on_size(bytes); }});
}

bk::String BackupSession::fetch_remote_set() {
    set_ftp_servers(job_->ftp_servers);
    FtpConnection& connection = get_ftp_connection(job_->destination);
    read_staging_ = std::make_unique<FtpStaging>(staging_folder(*job_, u"read"));
    watch_transfers(*read_staging_);
    const BackupItem& job = *job_;
    const bk::String main_name = bk::Path::file_name(job.archive_file());
    const bk::String main = bk::Path::combine(read_staging_->folder(), main_name);
    // The main archive and its digests now; the volumes when the reading
    // gets to them, one at a time, so that the staging folder needs room
    // for the largest of them only.
    remote_set_.clear();
    staged_volume_.clear();
    const bool whole = read_staging_->fetch(
        connection, job.destination,
        [&](bk::StringView name) {
            if (!belongs_to_set(job, name)) return false;
            remote_set_.emplace(name);
            return name == main_name || name == main_name + archive::digest_suffix;
        },
        &retry_policy());
    if (!whole) return main;  // stopped
    // The copy kinds' files lie in the copy roots beside the catalogue.
    if (is_copy_kind(job.kind))
        for (const bk::String& root : archive::recorded_copy_roots(main, Version::major_version))
            if (!read_staging_->fetch_tree(connection, job.destination, root, &retry_policy())) break;
    return main;
}

bool BackupSession::fetch_volume(const bk::String& path) {
    if (!read_staging_ || bk::Path::directory_name(path) != read_staging_->folder()) return false;
    const bk::String name = bk::Path::file_name(path);
    if (!remote_set_.contains(name) || has_stopped()) return false;
    if (!staged_volume_.empty()) read_staging_->remove(staged_volume_);
    staged_volume_.clear();
    try {
        if (!read_staging_->fetch_file(get_ftp_connection(job_->destination), job_->destination, name,
                                       &retry_policy()))
            return false;
    } catch (const BackupException&) {
        throw;
    } catch (const bk::Exception& failure) {
        throw BackupException(failure.message());
    }
    staged_volume_ = name;
    return true;
}

bool BackupSession::make_destination() {
    if (is_ftp_path(job_->destination)) {
        FtpConnection& connection = get_ftp_connection(job_->destination);
        run_with_ftp_retry(&retry_policy(), connection, ftp_message::cannot_create_directory,
                           [&] { make_ftp_directories(connection, job_->destination); });
        return true;
    }
    for (std::uint32_t attempt = 0;; ++attempt) {
        try {
            bk::Directory destination(job_->destination);
            if (!destination.exists()) destination.create();
            return true;
        } catch (const bk::Exception& failure) {
            if (!job_->need_retry() || attempt >= job_->retry_count || !is_network_failure(code_of(failure))) throw;
            add_retry_count();
            job_->wait_to_retry();
        }
    }
}

void BackupSession::prepare_open_files() {
    if (!job_->has_option(job_option::open_file)) return;
    const RawDiskBinding& binding = RawDiskBinding::instance();
    if (binding.ready()) {
        use_open_file_ = true;
        open_file_reader_ = std::make_unique<OpenFileReader>(binding);
        return;
    }
    // The system does not lock files against reading: a user without the
    // privilege to read every file still reads the files other programs hold
    // open, so only a module that cannot load is worth a warning.
    if (binding.outcome() == RawDiskOutcome::no_privilege) return;
    warning(raw_disk_outcome_warning(binding.outcome()));
}

void BackupSession::summarize() {
    auto add = [&](std::uint32_t id, std::uint32_t count) {
        const std::optional<LogItem> item =
            LogManager::instance()->create_log_item(LogType::information, bk::format_text(message(id), {count}), job_->name);
        if (item && report_ != nullptr) report_->add_log(&*item);
    };
    if (retries_ > 0) add(msg_retries, retries_);
    if (open_files_ > 0) add(msg_open_files, open_files_);
}

void BackupSession::backup() {
    if (direction_ != SessionDirection::backup) return;
    BackupItemReportColl* reports = nullptr;
    try {
        if (report_type() != ReportType::none && (reports = job_->get_reports()) != nullptr)
            report_ = reports->create_report(report_type(), true);
        fire_begin_backup();
        if (job_->name.empty() || job_->sources.empty()) throw BackupException(msg_invalid_job);
        // Never a local folder named after an address.
        if (const auto fault = ftp_destination_fault(*job_)) throw BackupException(*fault);
        prepare_open_files();
        set_ftp_servers(job_->ftp_servers);
        if (job_->kind != BackupKind::burner) make_destination();
        LogManager::instance()->log(LogType::information, msg_executed, job_->name);
        if (has_stopped()) {
            // Stopped before it began (during the destination's check): the
            // set is as it was.
            if (report_ != nullptr) report_->result = static_cast<std::int32_t>(RunResult::successful);
            fire_end_stop();
        } else {
            if (report_ != nullptr) report_->result = static_cast<std::int32_t>(RunResult::successful);
            const SessionRunResult result = run_on_destination();
            if (report_ != nullptr) report_->end_time = time_of_day_now();
            summarize();
            if (result == SessionRunResult::stopped) fire_end_stop();
            else if (result != SessionRunResult::failed) fire_end_backup();
        }
    } catch (...) {
        fail_run(msg_failed);
    }
    // A kind that does not stage its set leaves the check's copy unused.
    discard_checked_set();
    settle_stop();
    save_reports(reports);
}

void BackupSession::fail_run(std::uint32_t message_id) {
    try {
        throw;
    } catch (const bk::EOFException&) {
        error(message_id, message(msg_damaged));
    } catch (const bk::Exception& failure) {
        error(message_id, reason_with_path(failure));
    } catch (...) {
        error(message_id, message(msg_unknown_error));
    }
}

void BackupSession::save_reports(BackupItemReportColl* reports) {
    if (reports == nullptr) return;
    if (report_ != nullptr) reports->close(report_);
    try {
        reports->save();
    } catch (const bk::Exception& failure) {
        LogManager::instance()->log(LogType::error, failure.message(), job_->name);
    }
}

}  // namespace brim
