#include "core/jobs/backup_item_manager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <set>

#include "basekit/buffered_stream.h"
#include "basekit/convertion.h"
#include "basekit/date.h"
#include "basekit/file_ops.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/platform/os_system.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/job_file_codec.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/password_file.h"
#include "core/jobs/store_copy.h"
#include "core/jobs/store_settings.h"
#include "core/jobs/store_streams.h"
#include "core/jobs/store_text.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"

namespace brim {
namespace {

constexpr char16_t store_comment[] = u"<!-- This file represents the backup job for application Brimvault-->";
constexpr char16_t export_comment[] =
    u"<!--This file represents the backup jobs and was exported by Orvex Brimvault-->";
constexpr char16_t text_title[] = u"## This file represents the backup jobs and is exported by Orvex Brimvault";
constexpr char16_t text_columns[] =
    u"## name\ttype\tsources\tdestination\tcreation time\treplace\tnotify\tverify\tignore extension\taware "
    u"extension\tfile extension\toption\tftp servers";
constexpr unsigned private_mode = 0600;  // the job file holds FTP passwords

std::mutex instance_mutex;
std::unique_ptr<BackupItemManager> the_store;

void log_entry(LogType type, const bk::String& text, bk::StringView job_name = {}) {
    try {
        if (job_name.empty()) LogManager::instance()->log(type, text);
        else LogManager::instance()->log(type, text, job_name);
    } catch (const bk::Exception&) {
    }
}

// Runs `action`; a failure is logged as a fatal error with message `id`
// (filled with the failure's text) and thrown as BackupException: the
// failure itself when it is one, else one carrying the logged text.
template <typename Action>
auto fatal_on_failure(std::uint32_t id, Action action) {
    try {
        return action();
    } catch (const BackupException& error) {
        log_entry(LogType::fatal_error, bk::format_text(core_string(id), {error.message()}));
        throw;
    } catch (const bk::Exception& error) {
        const bk::String text = bk::format_text(core_string(id), {error.message()});
        log_entry(LogType::fatal_error, text);
        throw BackupException(text);
    }
}

bool is_complete_job(const BackupItem& job) {
    return job.kind != BackupKind::none && job.creation_time != 0 && !job.sources.empty();
}

bool is_protected(const BackupItem& job) { return job.has_option(job_option::security_mask); }

// Opens the job's report collection so that removing the job deletes its
// report file too; a damaged report file is opened all the same.
void open_reports(BackupItem& job) {
    try {
        job.get_reports();
    } catch (const bk::Exception&) {
    }
}

// A password file that cannot serve the strict load: logged with message 116
// and thrown, so that the load fails before any job is deleted.
[[noreturn]] void refuse_password_file(const BackupException& failure) {
    log_entry(LogType::error, bk::format_text(core_string(116), {failure.message()}));
    throw failure;
}

}  // namespace

BackupItemManager::BackupItemManager()
    : config_file_(in_config(config_name)), data_file_(in_config(data_name)) {
    // For tests that need sets of many volumes from the programs: the
    // largest file of a set in bytes. The user's option sets it otherwise.
    if (const auto bytes = bk::os::environment_variable(u"BRIMVAULT_SEGMENT_BYTES")) {
        const std::int64_t limit = std::strtoll(bk::to_ansi(*bytes).c_str(), nullptr, 10);
        if (limit > 0) archive_segment_ = limit;
    }
}

BackupItemManager::~BackupItemManager() = default;

BackupItemManager* BackupItemManager::instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    if (!the_store) {
        try {
            the_store.reset(new BackupItemManager());
        } catch (const std::bad_alloc&) {
            throw BackupException(std::uint32_t{145});
        } catch (const bk::Exception& error) {
            throw BackupException(error.message());
        }
    }
    return the_store.get();
}

void BackupItemManager::del_instance() {
    std::lock_guard<std::mutex> guard(instance_mutex);
    the_store.reset();
}

bk::String BackupItemManager::in_config(bk::StringView name) const {
    return bk::Path::combine(SystemInfo::config_path(), name);
}

std::uint32_t BackupItemManager::max_report_count() const { return report_limit(); }
void BackupItemManager::max_report_count(std::uint32_t count) { report_limit(count); }

void BackupItemManager::leave_out(bk::StringView name) {
    left_out_.emplace_back(name);
    partly_read_ = true;
}

bool BackupItemManager::read_jobs(bk::DataInputStream& in, bool lenient) {
    store_text::check_header(in);
    while (in.peek() == '\t') {
        bk::String name;
        std::unique_ptr<BackupItem> job = read_job(in, JobForm::store, &name);
        if (job && job_name_fault(job->name) != JobNameFault::none) {
            // Its set and report file would lie outside their folders.
            log_entry(LogType::warning, bk::format_text(core_string(520), {job->name}));
            leave_out(job->name);
            continue;
        }
        if (!job || !is_complete_job(*job) || jobs_.contains(job->id)) {
            if (!lenient) return false;
            leave_out(name);
            continue;
        }
        highest_id_ = std::max(highest_id_, job->id);
        jobs_[job->id] = std::move(job);
    }
    store_text::read_line(in);
    return true;
}

std::optional<std::vector<JobPassword>> BackupItemManager::stored_passwords(bool lenient) const {
    PasswordFileContent content;
    try {
        content = read_password_file(data_file_);
    } catch (const bk::Exception& error) {
        if (lenient) return std::nullopt;
        refuse_password_file(BackupException(error.message()));
    }
    if (lenient) {
        if (content.state != PasswordFileState::read) return std::nullopt;
        return std::move(content.entries);
    }
    if (content.state != PasswordFileState::foreign && !Version::instance()->support(content.version))
        refuse_password_file(BackupException(std::uint32_t{139}));
    if (content.state != PasswordFileState::read) refuse_password_file(BackupException(std::uint32_t{117}));
    return std::move(content.entries);
}

void BackupItemManager::attach_passwords(bool lenient) {
    std::vector<BackupItem*> protected_jobs;
    for (const auto& [id, job] : jobs_)
        if (is_protected(*job)) protected_jobs.push_back(job.get());
    if (protected_jobs.empty()) return;

    std::optional<std::vector<JobPassword>> stored = stored_passwords(lenient);
    if (!stored) {
        // The lenient load of a password file that cannot be read: the
        // protected jobs are left out with their report files, and the store
        // refuses to be saved until it is repaired or its copy put back.
        log_entry(LogType::error, core_string(524));
        for (BackupItem* job : protected_jobs) {
            leave_out(job->name);
            jobs_.erase(job->id);
        }
        return;
    }
    std::vector<JobPassword>& entries = *stored;
    std::set<std::uint32_t> found;
    for (JobPassword& entry : entries) {
        BackupItem* job = backup_item(entry.job_id);
        if (job == nullptr || !is_protected(*job)) continue;
        job->password = std::move(entry.password);
        // A job made from a protected set, or imported, keeps no password
        // until one is proved against its set.
        job->password_state = job->password.empty() && job->has_option(job_option::password) ? PasswordState::must_prove
                                                                                              : PasswordState::proved;
        found.insert(entry.job_id);
    }
    wipe_passwords(entries);
    if (found.size() == protected_jobs.size()) return;

    log_entry(LogType::error, core_string(198));
    for (BackupItem* job : protected_jobs) {
        if (found.contains(job->id)) continue;
        open_reports(*job);
        remove(job, true);
    }
}

bool BackupItemManager::internal_load(bool lenient) {
    partly_read_ = false;
    left_out_.clear();
    const bk::File file(config_file_);
    if (!file.exists() || file.length() == 0) return true;
    bool complete = false;
    {
        StoreReader reader(config_file_);
        complete = read_jobs(reader.in(), lenient);
    }
    if (complete) attach_passwords(lenient);
    return complete;
}

void BackupItemManager::load() {
    std::lock_guard guard(mutex_);
    if (!jobs_.empty()) return;
    bool loaded = false;
    try {
        loaded = fatal_on_failure(109, [this] { return internal_load(false); });
    } catch (const BackupException&) {
        jobs_.clear();  // a failed load leaves no half store behind
        partly_read_ = true;
        throw;
    }
    if (!loaded) {
        jobs_.clear();
        partly_read_ = true;
        log_entry(LogType::fatal_error, bk::format_text(core_string(109), {core_string(104)}));
        throw BackupException(std::uint32_t{104});
    }
}

void BackupItemManager::reload() {
    std::lock_guard guard(mutex_);
    jobs_.clear();
    try {
        internal_load(true);
    } catch (const bk::Exception&) {
        partly_read_ = true;  // the rest of the file could not be read
    }
}

std::vector<bk::String> BackupItemManager::keep_aside() const {
    const bk::Date now(bk::Date(bk::Date::now_time()).local_time());
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, ".damaged-%04d%02d%02d-%02d%02d%02d", now.year(), now.month(), now.day(),
                  now.hours(), now.minutes(), now.seconds());
    std::vector<bk::String> kept;
    for (const bk::String& file : {config_file_, data_file_}) {
        if (!bk::File(file).exists()) continue;
        // Never over a copy kept before: a second one in the same second is numbered.
        const bk::String dated = file + bk::String(stamp, stamp + std::strlen(stamp));
        bk::String copy = dated;
        for (int n = 2; bk::File(copy).exists(); ++n) copy = dated + u"-" + store_text::to_decimal(std::int64_t{n});
        copy_private(file, copy);
        kept.push_back(copy);
    }
    return kept;
}

std::vector<bk::String> BackupItemManager::repair() {
    std::lock_guard guard(mutex_);
    std::vector<bk::String> kept = keep_aside();
    const bool was_partly_read = partly_read_;
    partly_read_ = false;
    try {
        save();
    } catch (const bk::Exception&) {
        partly_read_ = was_partly_read;
        throw;
    }
    bk::String names;
    for (const bk::String& copy : kept) names += (names.empty() ? u"\"" : u", \"") + copy + u"\"";
    log_entry(LogType::information, bk::format_text(core_string(522), {names}));
    return kept;
}

namespace {
void save_reports_of(BackupItem& job) {
    BackupItemReportColl* reports = job.opened_reports();
    if (reports == nullptr) return;
    try {
        reports->save();
    } catch (const bk::Exception&) {
    }
}
}  // namespace

void BackupItemManager::save_reports() {
    std::lock_guard guard(mutex_);
    for (const auto& [id, job] : jobs_) save_reports_of(*job);
}

void BackupItemManager::write_config() {
    bk::ReplacingFileWriter writer(config_file_, private_mode);
    {
        bk::BufferedOutputStream buffered(&writer.stream(), false, false);
        bk::DataOutputStream out(&buffered, false);
        store_text::write_header(out, store_comment);
        for (const auto& [id, job] : jobs_) {
            write_job(out, *job, JobForm::store);
            save_reports_of(*job);
        }
        store_text::write_closing(out);
        out.close();
        buffered.close();
    }
    writer.commit();
}

void BackupItemManager::write_passwords() {
    std::vector<JobPassword> entries;
    for (const auto& [id, job] : jobs_)
        if (is_protected(*job)) entries.push_back({id, job->password});
    // Without protected jobs the file is not needed, and it is left as it is.
    if (entries.empty()) return;
    try {
        write_password_file(data_file_, entries);
    } catch (const bk::Exception& error) {
        wipe_passwords(entries);
        const bk::String text = bk::format_text(core_string(118), {error.message()});
        log_entry(LogType::fatal_error, text);
        throw BackupException(text);
    }
    wipe_passwords(entries);
}

void BackupItemManager::save() {
    std::lock_guard guard(mutex_);
    fatal_on_failure(111, [this] {
        // The job file still holds what this store could not read.
        if (partly_read_) throw BackupException(std::uint32_t{523});
        write_config();
    });
    if (!jobs_.empty()) {
        write_passwords();
        return;
    }
    try {
        bk::os::remove_file(data_file_);
    } catch (const bk::Exception&) {
    }
}

void BackupItemManager::save_after_run() {
    std::lock_guard guard(mutex_);
    if (partly_read_) save_reports();
    else save();
}

void BackupItemManager::save_copy(std::int32_t days) {
    std::lock_guard guard(mutex_);
    if (partly_read_) return;  // a damaged store never replaces a good copy
    try {
        if (!refresh_dated_copy(config_file_, in_config(config_copy_name), days)) return;
        log_entry(LogType::information, core_string(112));
        if (bk::File(data_file_).exists()) copy_with_current_time(data_file_, in_config(data_copy_name));
    } catch (const bk::Exception&) {
    }
}

std::int64_t BackupItemManager::last_config_backup_time() const {
    try {
        const bk::File copy(in_config(config_copy_name));
        return copy.exists() ? copy.last_modified_time() : 0;
    } catch (const bk::Exception&) {
        return 0;
    }
}

bool BackupItemManager::load_copy() {
    std::lock_guard guard(mutex_);
    const bk::String config_copy = in_config(config_copy_name);
    if (!bk::File(config_copy).exists()) return false;
    try {
        // Put back through a temporary file, so a crash cannot leave half a store.
        for (const auto& [copy, target] : {std::pair{config_copy, config_file_}, std::pair{in_config(data_copy_name), data_file_}}) {
            if (!bk::File(copy).exists()) continue;
            const bk::String temp = target + bk::ReplacingFileWriter::temp_suffix;
            bk::copy_file(copy, temp);
            bk::os::set_mode(temp, private_mode);
            bk::replace_file(temp, target);
        }
        log_entry(LogType::information, core_string(110));
        remove_all(true);
        load();
    } catch (const bk::Exception&) {
    }
    return true;
}

BackupItem* BackupItemManager::create_item() {
    std::lock_guard guard(mutex_);
    auto job = std::make_unique<BackupItem>();
    job->options |= job_option::new_job_default;
    BackupItem* raw = job.get();
    add(std::move(job));
    return raw;
}

bool BackupItemManager::add(std::unique_ptr<BackupItem> job) {
    std::lock_guard guard(mutex_);
    if (!job) return false;
    job->id = ++highest_id_;
    jobs_[job->id] = std::move(job);
    return true;
}

void BackupItemManager::remove(BackupItem* job, bool log) {
    std::lock_guard guard(mutex_);
    if (job == nullptr) return;
    if (log && !job->name.empty()) log_entry(LogType::information, core_string(101), job->name);
    const auto found = jobs_.find(job->id);
    if (found == jobs_.end() || found->second.get() != job) return;
    std::unique_ptr<BackupItem> owned = std::move(found->second);
    jobs_.erase(found);
    if (BackupItemReportColl* reports = owned->opened_reports()) reports->remove();
}

void BackupItemManager::remove_all(bool keep_reports) {
    std::lock_guard guard(mutex_);
    log_entry(LogType::information, core_string(102));
    if (!keep_reports) {
        for (auto& [id, job] : jobs_) {
            open_reports(*job);
            if (BackupItemReportColl* reports = job->opened_reports()) reports->remove();
        }
    }
    jobs_.clear();
}

std::vector<BackupItem*> BackupItemManager::items() const {
    std::lock_guard guard(mutex_);
    std::vector<BackupItem*> out;
    for (const auto& [id, job] : jobs_) out.push_back(job.get());
    return out;
}

BackupItem* BackupItemManager::backup_item(std::uint32_t id) const {
    std::lock_guard guard(mutex_);
    const auto found = jobs_.find(id);
    return found == jobs_.end() ? nullptr : found->second.get();
}

void BackupItemManager::export_jobs(const std::vector<BackupItem*>& jobs, bk::StringView path, JobFileFormat format) {
    try {
        StoreWriter writer(path);
        bk::DataOutputStream& out = writer.out();
        if (format == JobFileFormat::xml) {
            store_text::write_header(out, export_comment);
            for (const BackupItem* job : jobs) write_job(out, *job, JobForm::exported);
            store_text::write_closing(out);
        } else if (format == JobFileFormat::text) {
            out.write_line(text_title);
            out.write_line(text_columns);
            for (const BackupItem* job : jobs) out.write_line(job_to_text(*job));
        }
        writer.finish();
    } catch (const bk::Exception& error) {
        log_entry(LogType::error, bk::format_text(core_string(115), {path, error.message()}));
        throw BackupException(error.message());
    }
}

std::vector<std::unique_ptr<BackupItem>> BackupItemManager::import_jobs(bk::StringView path, JobFileFormat format) {
    std::vector<std::unique_ptr<BackupItem>> jobs;
    try {
        StoreReader reader(path);
        bk::DataInputStream& in = reader.in();
        if (format == JobFileFormat::text) {
            while (in.peek() != -1) {
                const bk::String line = store_text::read_line(in);
                if (line.empty() || line.starts_with(u"##")) continue;
                if (auto job = job_from_text(line)) jobs.push_back(std::move(job));
            }
        } else {
            store_text::check_header(in);
            while (in.peek() == '\t')
                if (auto job = read_job(in, JobForm::exported)) jobs.push_back(std::move(job));
        }
        // The password stays behind in the exporting store: it is proved
        // against the set when the job is first used.
        for (auto& job : jobs)
            if (job->has_option(job_option::password) && job->password.empty())
                job->password_state = PasswordState::must_prove;
    } catch (const bk::Exception& error) {
        log_entry(LogType::error, bk::format_text(core_string(114), {path, error.message()}));
        throw BackupException(error.message());
    }
    log_entry(LogType::information,
              bk::format_text(core_string(113), {path, static_cast<int>(jobs.size())}));
    return jobs;
}

}  // namespace brim
