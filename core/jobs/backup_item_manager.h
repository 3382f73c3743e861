#pragma once
// The process-wide store of all backup jobs: it owns every job, numbers it,
// keeps the jobs in the job file "brimkeep.config" and the passwords of the
// protected jobs (option bits 0xF00) in the enciphered password file
// "brimkeep.dat", both in the configuration directory, makes dated safety
// copies of the two, and exports and imports jobs as XML or text. Any
// thread may use it: a mutex guards the list of jobs, and a thread that
// reads or changes a job's fields while runs go on holds lock().
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "basekit/data_stream.h"
#include "basekit/types.h"
#include "core/jobs/backup_item.h"

namespace brim {

struct JobPassword;

// The job store's export formats (the log numbers its own the other way round).
enum class JobFileFormat : std::int32_t { text = 0, xml = 1 };

class BackupItemManager {
public:
    static constexpr char16_t config_name[] = u"brimkeep.config";
    static constexpr char16_t data_name[] = u"brimkeep.dat";
    static constexpr char16_t config_copy_name[] = u"brimkeep.configbak";
    static constexpr char16_t data_copy_name[] = u"brimkeep.datbak";

    // The store, created on first call without reading anything. Throws
    // BackupException when the data directories cannot be made.
    static BackupItemManager* instance();
    static void del_instance();

    virtual ~BackupItemManager();
    BackupItemManager(const BackupItemManager&) = delete;
    BackupItemManager& operator=(const BackupItemManager&) = delete;

    // Reads the job file strictly: a job that cannot be read, or lacks a
    // kind, a creation time or sources, fails the load with
    // BackupException(104); a damaged frame throws its message (104, 139);
    // other failures log message 109 and throw its text. Does nothing when
    // the store already holds jobs. A missing or empty file loads no jobs.
    // When jobs are protected, their passwords are then read from the
    // password file and they become proved. A password file that is
    // missing, unreadable, damaged (117) or newer than the program (139)
    // fails the load (logged with message 116) with no job deleted, so that
    // load_copy() can put the safety copy back. Protected jobs that an intact
    // file holds no password for are deleted with their report files
    // (messages 198 and 101). A failed load leaves the store empty.
    // A job whose name cannot be a file name (job_name_fault) is left out
    // with a warning in the log (message 520), the other jobs load, and the
    // store counts as read only in part.
    virtual void load();
    // Drops the jobs in memory and reads the job file, skipping jobs that
    // cannot be read; a password file that cannot be read gives no password,
    // so every protected job is then left out (its report file kept). What
    // was skipped makes the store read only in part. Never throws.
    void reload();
    // Whether the last load left out jobs or failed: such a store refuses to
    // be saved (the job file still holds what memory lacks) until repair().
    bool partly_read() const { return partly_read_; }
    // The names of the jobs the last load left out (an empty name for a job
    // whose name could not be read); it may have left out more, unnamed.
    const std::vector<bk::String>& left_out() const { return left_out_; }
    // Copies the job file and the password file, those that exist, to dated
    // names beside them ("brimkeep.config.damaged-20261210-121500", numbered
    // "-2", "-3", ... rather than over an earlier copy) with mode 0600;
    // returns the copies' paths. Throws IOException when a copy fails.
    std::vector<bk::String> keep_aside() const;
    // Keeps the store's files aside, then saves the jobs that were read and
    // counts the store as whole again; logs message 522 with the copies.
    // Returns the copies' paths; throws as keep_aside() and save().
    std::vector<bk::String> repair();
    // Replaces the job file safely (temporary file, flush, rename) with mode
    // 0600, saving each job's opened report collection on the way; logs
    // message 111 and throws BackupException on failure. Then writes the
    // password file the same way when jobs are protected (message 118 and
    // BackupException on failure), deletes it when the store has no job, and
    // leaves it as it is when no job is protected. A store read only in part
    // is not saved: BackupException(523).
    virtual void save();
    // Saves the opened report collections only (failures ignored): what a
    // run or restore records in a store read only in part.
    void save_reports();
    // Refreshes "brimkeep.configbak" when it is missing or at least `days`
    // whole days old (and then the password file's copy), with mode 0600;
    // never throws. Nothing is copied from a store read only in part.
    void save_copy(std::int32_t days);
    // The modification time of "brimkeep.configbak", 0 when missing.
    std::int64_t last_config_backup_time() const;
    // False when "brimkeep.configbak" is missing; otherwise puts the copies
    // back, drops the jobs (keeping their reports) and loads; true even when
    // that load fails.
    virtual bool load_copy();

    // A new job in the store with the next id and the new-job option bits.
    BackupItem* create_item();
    // Takes the job with the next id (whatever id it had); false for null.
    bool add(std::unique_ptr<BackupItem> job);
    // Takes the job out and destroys it, deleting its report file when its
    // reports were opened; logs message 101 when `log` and it has a name.
    void remove(BackupItem* job, bool log);
    // Logs message 102 and destroys every job, deleting the report files
    // unless `keep_reports`. The highest id stays.
    void remove_all(bool keep_reports);

    std::vector<BackupItem*> items() const;
    BackupItem* backup_item(std::uint32_t id) const;
    std::size_t item_count() const { return items().size(); }
    // Holds the store (its jobs and their fields) for the calling thread.
    std::unique_lock<std::recursive_mutex> lock() const { return std::unique_lock(mutex_); }
    // Saves what a run or restore changed: the whole store, or only the
    // reports when it was read only in part. Throws as save().
    void save_after_run();
    std::uint32_t highest_id() const { return highest_id_; }

    // Writes the jobs to `path`; logs message 115 and throws BackupException
    // on failure.
    virtual void export_jobs(const std::vector<BackupItem*>& jobs, bk::StringView path, JobFileFormat format);
    // Reads the jobs of an exported file (skipping those that cannot be
    // read) and logs message 113; the jobs are not added. A protected job
    // comes without its password: it is to be proved against its set
    // (PasswordState::must_prove). Logs message 114 and throws
    // BackupException on failure.
    virtual std::vector<std::unique_ptr<BackupItem>> import_jobs(bk::StringView path, JobFileFormat format);

    std::int64_t archive_segment() const { return archive_segment_; }
    void archive_segment(std::uint32_t mebibytes) { archive_segment_ = std::int64_t{mebibytes} * 1048576; }
    std::uint32_t max_report_count() const;
    // Keeps 10..1024, else 60.
    void max_report_count(std::uint32_t count);
    std::int32_t open_file_try_days() const { return open_file_try_days_; }
    void open_file_try_days(std::int32_t days) { open_file_try_days_ = days; }

    const bk::String& config_file() const { return config_file_; }
    const bk::String& data_file() const { return data_file_; }

protected:
    BackupItemManager();

private:
    bool internal_load(bool lenient);
    bool read_jobs(bk::DataInputStream& in, bool lenient);
    std::optional<std::vector<JobPassword>> stored_passwords(bool lenient) const;
    void leave_out(bk::StringView name);
    void attach_passwords(bool lenient);
    void write_config();
    void write_passwords();
    bk::String in_config(bk::StringView name) const;

    std::uint32_t highest_id_ = 0;
    std::int64_t archive_segment_ = 0xC0000000;
    std::map<std::uint32_t, std::unique_ptr<BackupItem>> jobs_;
    bk::String config_file_;
    bk::String data_file_;
    std::int32_t open_file_try_days_ = -1;
    bool partly_read_ = false;
    std::vector<bk::String> left_out_;
    mutable std::recursive_mutex mutex_;
};

}  // namespace brim
