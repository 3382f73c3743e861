#pragma once
// A backup job: what to back up, where to, how and when. The job store owns
// every job; the engine and the dialogs hold plain pointers to them.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "basekit/types.h"
#include "core/jobs/backup_kind.h"
#include "core/jobs/job_options.h"
#include "core/media/ftp_connect_info.h"

namespace brim {

class BackupItemReportColl;

enum class SourceType : std::uint8_t { directory = 0, file = 1, ftp_server = 2, ftp_directory = 3, ftp_file = 4 };

struct SourceData {
    bk::String path;
    SourceType type = SourceType::directory;
    bool recursive = false;  // directory, ftp-server and ftp-directory sources
    friend bool operator==(const SourceData&, const SourceData&) = default;
};

// When an incremental job makes a full backup instead.
struct TriggerData {
    enum class Kind : std::int32_t { count = 0, weekly = 1, monthly = 2 };
    Kind kind = Kind::count;
    std::int32_t value = 0;          // count: the number of runs; monthly: the day of the month
    std::int16_t interval = 0;       // weekly: every how many weeks
    std::uint16_t days_of_week = 0;  // weekly: 0x1 Sunday ... 0x40 Saturday
    friend bool operator==(const TriggerData&, const TriggerData&) = default;
};

enum class PasswordState : std::int32_t {
    unknown = 0,         // nothing known
    must_prove = 1,      // made from a protected archive: prove and keep the password
    not_loaded = 2,      // the store has a security section but no password yet
    proved = 3,          // the password is known and proved
    prove_only = 4,      // an archive with a password exists: prove it, do not keep it
};

// What keeps a text from naming a job. A job's name is the base name of its
// set and of its report file, so it must be one file name: not empty, not
// "." or "..", without a path separator or a control character, and at most
// max_job_name_bytes bytes in the file system's encoding.
enum class JobNameFault : std::uint8_t { none, empty, dots, separator, control, too_long };
inline constexpr std::size_t max_job_name_bytes = 200;
JobNameFault job_name_fault(bk::StringView name);

class BackupItem final {
public:
    BackupItem();
    ~BackupItem();
    BackupItem(const BackupItem&) = delete;
    BackupItem& operator=(const BackupItem&) = delete;

    std::uint32_t id = 0;
    bk::String name;
    bk::String destination;
    bk::String task_name;
    std::uint32_t options = 0;
    BackupKind kind = BackupKind::none;
    std::vector<SourceData> sources;
    std::vector<FtpConnectInfo> ftp_servers;
    std::vector<bk::String> extensions;
    std::int64_t creation_time = 0;
    std::int32_t append_mode = 0;  // 1: "new-arch", keep up to rotation_times archives
    std::uint32_t rotation_times = 0;
    std::unique_ptr<TriggerData> trigger;
    std::uint16_t retry_interval = 5;  // seconds
    std::uint16_t retry_count = 20;
    bk::String password;
    PasswordState password_state = PasswordState::unknown;
    // The job's run reports; made and loaded by get_reports(), null before.
    std::unique_ptr<BackupItemReportColl> reports;

    // The job's report collection, made and loaded on the first call and kept
    // (kept also when loading fails, repaired, and the failure is thrown as
    // BackupException). Null for a job without a name.
    BackupItemReportColl* get_reports();
    // The collection when get_reports() has made it, else null; any thread.
    BackupItemReportColl* opened_reports();
    // Renames the report collection (and its file) when the name is not empty.
    void rename_report(bk::StringView new_name);
    // The begin time of the newest report that is not a restore; 0 when there
    // is none or the reports cannot be read.
    std::int64_t last_backup_time();

    // The set's main archive: destination joined with the job name, its
    // extension replaced by ".bvd" for the copy kinds and ".bvf" otherwise
    // (so a name with a dot loses what follows its last dot).
    bk::String archive_file() const;
    // The paths of all sources joined by ";".
    bk::String source_to_string() const;

    bool has_option(std::uint32_t bits) const { return (options & bits) != 0; }
    bool need_notify() const { return has_option(job_option::notify); }
    bool need_retry() const { return has_option(job_option::retry); }
    bool is_restorable() const { return has_option(job_option::restorable); }
    bool is_unattended() const { return has_option(job_option::unattended); }
    // Kind normal, keeping its set, in "new-arch" append mode.
    bool is_append_mode() const;
    std::uint32_t cipher_bits() const { return options & job_option::cipher_mask; }
    // The policy for existing files at a restore (or a directory_copy target).
    std::uint32_t restore_policy() const { return options & job_option::restore_policy_mask; }
    // Sleeps the retry interval.
    void wait_to_retry() const;
    bk::String my_password() const { return password; }

    // Job passwords. Each operation that rewrites the set's security header
    // leaves the job's password as it was when it fails, logs the failure
    // with the job as source, and throws BackupException with its reason.
    //
    // Proves a password: against the set (states 1 and 4; a wrong or
    // unreadable set reads as false; in state 1 with no file at the archive
    // path any password is taken) or against the stored password. On
    // success the state becomes proved (the password is kept in state 1).
    // Never throws.
    bool check_password(bk::StringView candidate);
    // Sets the password (state proved); with apply_to_archive also adds it
    // to the existing set.
    void crypted_password(bk::StringView new_password, bool apply_to_archive);
    // Forgets the password; without keep_archive also removes it from the set.
    void remove_password(bool keep_archive);
    // Changes the password of the job and of its set.
    void modify_password(bk::StringView new_password);
    // Whether a password must be obtained before running the job.
    bool need_password(bool unattended_run) const;
    // At job creation: keeps an existing protected set (state 4, true) or
    // deletes whatever lies at the archive path (false).
    bool replace_archive_file(bool force);

private:
    std::mutex reports_mutex_;  // get_reports() makes the collection once
};

}  // namespace brim
