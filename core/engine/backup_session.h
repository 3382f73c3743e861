#pragma once
// One backup or restore run over one job. The caller creates it with
// create_session, installs a listener, calls backup() (or restore()) on a
// worker thread, may call stop(), pause() and resume() from another thread,
// and destroys the session once the worker has returned.
//
// Everything the run tells the user goes to three places: the listener, the
// system log and the run's report.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "basekit/stream.h"
#include "core/archive/digest_pipe.h"
#include "core/archive/run_context.h"
#include "core/engine/scan_events.h"
#include "core/engine/session_events.h"
#include "core/engine/taken_digests.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/backup_item_report.h"
#include "core/media/ftp_retry.h"
#include "core/media/ftp_server_connections.h"
#include "core/restore/restore_option.h"

namespace brim {

class BackupDataColl;
class BackupItemReportColl;
class FtpStaging;
class OpenFileReader;
namespace archive {
struct RunLayout;
}
namespace restore {
enum class ReadResult : std::int32_t;
struct OpenedSet;
class Restorer;
}  // namespace restore

enum class SessionDirection : std::int16_t { backup = 0, restore = 1 };

enum class SessionRunResult { done = 0, nothing_to_back_up = 1, stopped = 2, failed = 3 };

class BackupSession : protected ScanEvents, protected archive::RunContext, protected FtpRetryPolicy {
public:
    // The session for the job's kind; null for a null job or an unknown kind.
    // The job is not owned and must outlive the session.
    static std::unique_ptr<BackupSession> create_session(BackupItem* job, SessionDirection direction);

    ~BackupSession() override;
    BackupSession(const BackupSession&) = delete;
    BackupSession& operator=(const BackupSession&) = delete;

    void install(BackupEvent* listener);
    void install(RestoreEvent* listener);

    // The whole backup: report, checks, the kind's run, summary, final
    // event. Never throws; does nothing for a restore session.
    void backup();

    // Before a backup run: what lies at the job's archive path and whether
    // the run may go on (CheckResult). A job run by hand gets the question
    // to ask; an unattended one (option 0x1000) decides by itself, logs what
    // it decided and gets go_on_logged or failed. Never throws; may add the
    // job's password to an unprotected set of this job. A set on an FTP
    // server is fetched into a staging folder and probed there; the run of
    // this session then works on that copy instead of fetching it again.
    CheckResult check_archive();
    // The same with the caller choosing the unattended rules (a run that has
    // nobody to ask applies them to any job).
    CheckResult check_archive(bool unattended);
    // Removes the set the check fetched, when no run follows it.
    void discard_checked_set();

    // Makes a job from an archive file: a main archive (".bvf", ".bvd") or a
    // ".bvs" volume, which leads to the main archive it names beside it. The
    // job's destination is the archive's folder, its name the archive's
    // file name without extension, its options gain 0x300B0, and a set with
    // a password leaves the job's password to be proved. The caller owns the
    // job. Throws BackupException with the reason after logging "Unable to
    // open the backup set" when the file is not a set that can be read.
    static std::unique_ptr<BackupItem> open(bk::StringView path);
    // The same for a main archive (".bvf", ".bvd") on an FTP server,
    // "ftp://host[:port]/path/Set.bvf", reached with the log-on `server`:
    // the file is fetched into a staging folder of its own, read there as
    // above, and the folder removed. The job's destination is the remote
    // folder, and `server` leads its FTP server list (an entry the set names
    // for the same server gives way). Throws as above; a file the server
    // does not hold is "The backup set ... does not exist", a server that
    // cannot be reached the FTP client's reason.
    static std::unique_ptr<BackupItem> open(bk::StringView path, const FtpConnectInfo& server);

    // Restore sessions: reads the runs of the job's set (or of `path`; a
    // ".bvs" path means the job's own set) into `runs`, asking `event` (may
    // be null) for a missing volume. The runs stay owned by the session.
    // Throws BackupException with the reason, after logging it, when the set
    // cannot be opened (damaged, newer, password, wrong volume).
    OpenArchiveResult open(std::vector<const archive::RunLayout*>& runs, OpenArchiveEvent* event,
                           bk::StringView path = {});
    // The set opened by open(); null before. A set on an FTP server is read
    // from copies of its files fetched into a staging folder, which goes
    // with the session: the main archive (and its digests, and the copy
    // kinds' copy roots) at the open, each volume when a reading gets to it,
    // with at most one volume there at a time. Reading the runs walks every
    // volume, so a volume may be fetched again later for its data. Each file
    // fetched counts in the listener's progress (on_file with its "ftp://"
    // path, on_size), and a stop ends a fetch between blocks of 64 KiB; a
    // stop during the open leaves it cancelled or partly read.
    const restore::OpenedSet* opened_set() const { return opened_.get(); }

    // Restores the selected items of the opened set under `target` (empty:
    // each to where it came from) by the option word (restore_option.h).
    // Never throws; does nothing for a backup session. The report of type
    // restore tells the outcome.
    void restore(const std::vector<const DataHeader*>& selection, bk::StringView target, std::uint32_t option);
    // Restores one selected item; false stops the run. Called by restore().
    virtual bool do_restore(const DataHeader* header, bk::StringView target, std::uint32_t option);
    // Where a selected item goes without a target and the disk it needs
    // there (added to `needed`); adds its size to the report's total.
    void parse_restore_data(const DataHeader& header, bk::StringView target, std::uint64_t& needed,
                            bk::String& out_path);

    // Asks the run to stop at its next check (between sources, directories,
    // files and 64 KiB chunks). Any thread; the run's report gets the
    // stopped result from the worker as the run ends.
    virtual void stop();
    // The run stops too once `requested` answers true, polled wherever the
    // flag is (Ctrl-C: a signal handler cannot call stop()). Set it before
    // the session opens, runs or restores anything.
    void stop_when(std::function<bool()> requested) { stop_requested_ = std::move(requested); }
    // Holds the run at its next check until resume() or stop(). Any thread.
    void pause();
    void resume();

    BackupItem& backup_item() const { return *job_; }
    const bk::String& job_name() const { return job_->name; }
    SessionDirection session_direction() const { return direction_; }
    // The stop flag. While the run is paused this waits until it is
    // resumed or stopped, so every place that polls the flag is a pause point.
    bool has_stopped() const override;
    bool use_open_file() const { return use_open_file_; }
    BackupItemReport* active_report() const { return report_; }
    std::uint32_t retry_count_made() const { return retries_; }
    std::uint32_t open_file_count() const { return open_files_; }
    void add_retry_count(std::uint32_t n = 1) { retries_ += n; }
    void add_open_file_count() { ++open_files_; }

    // The FTP servers the run may connect to, and the connection for a path.
    void set_ftp_servers(const std::vector<FtpConnectInfo>& servers);
    // Adds each server whose name (compared exactly) is not known yet.
    void add_ftp_servers(const std::vector<FtpConnectInfo>& servers);
    FtpConnection& get_ftp_connection(bk::StringView path);
    // The network retry rule of the job, for the transfers of this run.
    FtpRetryPolicy& retry_policy() { return *this; }

    // Free space check: false (after error 130 or 133) when `size` + 1 MiB
    // does not fit on the file system of `path`; false after error 129 or
    // 147 with the query's own failure when the file system cannot be asked
    // (network failures retried by the job's rule first).
    bool check_dest_space(bk::StringView path, std::uint64_t size);
    // Whether `size` + 1 MiB fits on the file system of `path`, silently.
    // Throws the query's failure once the retry rule gives up.
    bool has_room(bk::StringView path, std::uint64_t size);
    // Restoring an FTP item to where it came from: connects to the server of
    // `place`; false, after warning 157, when that fails.
    bool bind_ftp_item(const DataHeader& item, const bk::String& place);

    // Event firing, with the report and log effects of each.
    void fire_begin_backup();
    void fire_begin_parse();
    void fire_parse_source(const bk::String& path);
    void fire_end_parse(const BackupDataColl& collection);
    void fire_backup_dir(const bk::String& path);
    void fire_on_file(const bk::String& path, std::uint32_t size);
    void fire_on_size(std::uint32_t bytes);
    void fire_on_warning(const bk::String& text);
    void fire_on_error(const bk::String& text);
    void fire_end_stop();
    void fire_delete_old_data(const bk::String& path);
    void fire_verify_file(const bk::String& path);
    void fire_on_message(const bk::String& text);
    void fire_end_backup();
    bool fire_replace_dir_file(const bk::String& source, const bk::String& target);
    bool fire_ftp_replace_file(const DataHeader& item, const bk::String& target);
    void fire_begin_restore();
    void fire_end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size);
    void fire_restore_dir(const bk::String& path);
    void fire_end_restore();
    // The replace questions answer false without a listener.
    bool fire_replace_file(const DataHeader& item, const bk::String& target);
    bool fire_replace_file(const bk::String& source, const bk::String& target);
    bool fire_replace_ftp_file(const DataHeader& item, const bk::String& target, std::int64_t remote_time,
                               std::int64_t remote_size);

    // A warning of the run: listener, log, report; the report has warnings.
    void warning(const bk::String& text) override;
    // An error of the run: log, report, listener; the report is aborted.
    void error(std::uint32_t message_id, const bk::String& argument);

    // Called between writing a set run and verifying it (tests damage the
    // set here to show what verification finds); for a set on an FTP server
    // once it has been sent there, with the remote main archive's path.
    void set_after_write_hook(std::function<void(const bk::String& archive)> hook) { after_write_ = std::move(hook); }

    // Opens the temporary file a copy writes into, created with
    // `permissions`; by default a new file stream. Tests put a failing
    // stream here (a disk that fills up).
    using TargetOpener = std::function<std::unique_ptr<bk::OutputStream>(const bk::String& path, unsigned permissions)>;
    void set_target_opener(TargetOpener opener) { target_opener_ = std::move(opener); }

protected:
    BackupSession(BackupItem* job, SessionDirection direction);

    virtual SessionRunResult run() = 0;
    // The kind's run as its destination needs it; run() by default.
    virtual SessionRunResult run_on_destination() { return run(); }
    // The report type of this kind's runs (none: no report).
    virtual ReportType report_type() const = 0;

    void run_after_write_hook(const bk::String& archive) const;

    // Has the transfers of `staging` count in the run's progress (each file
    // announced with on_file, its bytes with on_size) and end at a stop.
    void watch_transfers(FtpStaging& staging);
    // The job's set as the check before the run fetched it whole, once:
    // null when there was no such check or it did not fetch the set.
    std::unique_ptr<FtpStaging> take_checked_set();

    // ---- copying files as ordinary files (session_copy.cpp) ----
    enum class CopyOutcome { copied, failed, stopped };
    // The files a run copied; verification takes out those found different.
    using CopiedFiles = std::unordered_set<const DataHeader*>;
    // Whether a file of the tree is copied.
    using CopyDecision = std::function<bool(const DataHeader& file)>;

    // The digests of the files a copy run copies, taken on the pipe's thread.
    struct CopyDigests {
        archive::DigestPipe pipe;
        std::vector<const DataHeader*> order;  // the files in the order they reached the pipe
        // The digests taken, once the copying is done.
        TakenDigests collect();
    };
    // Copies one file (a symbolic link as a link) to `target`: the bytes go
    // to a temporary file beside it, which gets the source's mode and times
    // and is then renamed over the target, so a target is never left half
    // written. Without `overwrite` an existing target is kept. A failure is
    // warning 140 and gives `failed`; a full disk throws the IOException,
    // which fails the run. A stop between blocks abandons the copy.
    // With `digests`, the copy's data passes through this process (never the
    // system's own copy) and its digest is taken.
    CopyOutcome copy_file(const DataHeader& item, const bk::String& target, bool overwrite,
                          CopyDigests* digests = nullptr);
    // copy_file to an "ftp://" target: the bytes go to the target's name +
    // "~~part" on the server (an upload that resumes after a dropped
    // connection under the retry rule) and that file is renamed over the
    // target once the server holds it whole; a failed or stopped upload
    // removes it again. The server keeps no mode or times of its own
    // choosing, and a symbolic link is not copied (warning 140). With
    // `digests` the digest of the bytes sent is taken. A server lost for
    // longer than the retry rule waits throws the FtpException when
    // lost_upload_ends_run().
    CopyOutcome upload_file(const DataHeader& item, const bk::String& target, bool overwrite,
                            CopyDigests* digests = nullptr);
    // Whether a server lost during an upload ends the run (a set whose
    // catalogue must be all or nothing) instead of costing only that file.
    virtual bool lost_upload_ends_run() const { return false; }
    // Copies the rest of `in` to `out` in blocks, reporting progress and
    // adding the bytes to `hash` when one is given; false when the run was
    // stopped between blocks.
    bool copy_blocks(bk::InputStream& in, bk::OutputStream& out, archive::DigestPipe::File* hash = nullptr);
    // Reads a copy: a local file, or a file on an FTP server.
    std::unique_ptr<bk::InputStream> open_copy(const bk::String& path);
    // Copies the tree below `directory` into the items' target paths:
    // folders are created (announced with backup_dir) and get their
    // source's mode and times after their contents; files for which
    // `decide` is true are copied. Returns at a stop.
    // `digests`, when given, takes the digest of each file copied.
    void copy_tree(const DataHeader& directory, const CopyDecision& decide, bool overwrite, CopiedFiles& copied,
                   CopyDigests* digests = nullptr);
    // Creates a folder and its parents (on an FTP server for an "ftp://"
    // path) under the network retry rule. True when it made a local folder
    // that was not there.
    bool make_directory(const bk::String& path);
    // Whether copy_tree made the target folder of `file`'s folder in this
    // run: then nothing stood at the file's target before the run.
    bool target_folder_is_new(const DataHeader& file) const {
        return file.parent() != nullptr && made_folders_.count(file.parent()) != 0;
    }
    // Compares every file of `copied` with its copy in 64 KiB blocks:
    // warning 141 per differing block (such files leave `copied`); an
    // exception ends the verification with warning 209.
    void verify_copies(const DataHeader& root, CopiedFiles& copied);

    ScanEvents& scan_events() { return *this; }
    archive::RunContext& run_context() { return *this; }

    // ScanEvents
    void begin_parse() override { fire_begin_parse(); }
    void parse_source(const bk::String& path) override;
    bool retry_after(const bk::Exception& error, std::uint32_t attempts) override;
    FtpConnection& ftp_connection(bk::StringView path) override { return get_ftp_connection(path); }

    // archive::RunContext
    void on_file(const bk::String& path, std::uint32_t size) override;
    void on_size(std::uint32_t bytes) override;
    std::unique_ptr<bk::InputStream> open_item(const DataHeader& item) override;
    void item_failed(const DataHeader& item, const bk::Exception& error) override;
    void item_written(const DataHeader& item, std::uint64_t plain_bytes) override;

    // FtpRetryPolicy
    bool retry_enabled() const override { return job_->need_retry(); }
    int retry_count() const override { return job_->retry_count; }
    int retry_interval_seconds() const override { return job_->retry_interval; }
    bool stop_requested() const override { return has_stopped(); }
    void count_retry() override { add_retry_count(); }

    // Logs an entry of the run with the job as its source and adds it to
    // the report.
    void record(LogType type, const bk::String& text);
    bk::String message(std::uint32_t id) const;

private:
    std::unordered_set<const DataHeader*> made_folders_;  // see target_folder_is_new

    // Inside a catch block: ends the run with error `message_id` and the
    // reason of the exception being handled.
    void fail_run(std::uint32_t message_id);
    // Free bytes on the file system of `path` under the network retry rule.
    std::int64_t free_space(bk::StringView path);
    // Closes the run's report in its collection and saves the collection.
    void save_reports(BackupItemReportColl* reports);
    // On the worker as a run ends: a stopped run that had not failed gets
    // the stopped result and the moment of the stop.
    void settle_stop();
    void summarize();
    bool make_destination();
    void prepare_open_files();
    // Fetches the main archive of the job's set on its FTP server (with its
    // digest file, and the copy roots of the copy kinds) into a staging
    // folder of this session; the staged main archive's path. Its volumes
    // are fetched one at a time as the reading needs them (fetch_volume).
    // Throws FtpException when the server cannot give them.
    bk::String fetch_remote_set();
    // Puts the volume `path` names, in the staging folder, there from the
    // server, removing the volume fetched before; false when it is not one
    // of the set's files on the server or the run was stopped while it was
    // fetched. Throws BackupException with the reason when it cannot be
    // fetched.
    bool fetch_volume(const bk::String& path);
    // What lies at the job's archive path, for the check before a run.
    restore::ReadResult probe_destination();

    BackupItem* job_;
    SessionDirection direction_;
    std::atomic<bool> stopped_{false};
    std::atomic<bool> paused_{false};
    std::int64_t stop_time_ = 0;  // under pause_mutex_
    mutable std::mutex pause_mutex_;
    mutable std::condition_variable pause_changed_;
    bool use_open_file_ = false;
    BackupItemReport* report_ = nullptr;
    std::uint32_t retries_ = 0;
    std::uint32_t open_files_ = 0;
    BackupEvent* backup_listener_ = nullptr;
    RestoreEvent* restore_listener_ = nullptr;
    std::deque<FtpConnectInfo> ftp_servers_;  // stable addresses for the connection cache
    FtpServerConnections connections_;
    std::function<void(const bk::String&)> after_write_;
    TargetOpener target_opener_;
    std::unique_ptr<OpenFileReader> open_file_reader_;
    std::unique_ptr<restore::OpenedSet> opened_;
    std::unique_ptr<FtpStaging> read_staging_;
    std::set<bk::String> remote_set_;  // the names of the set's files on the server, as it was read
    bk::String staged_volume_;         // the volume fetched last, by name
    std::function<bool()> stop_requested_;
    std::unique_ptr<FtpStaging> checked_set_;  // the set the check fetched, for the run
    restore::Restorer* restorer_ = nullptr;  // during restore()
};

}  // namespace brim
