#pragma once
// The job runner: runs one job's backup or restore end to end on a worker
// thread of its own, for every program that runs jobs (the window, a
// scheduled start, brimvault-cli run, restore and serve). It proves the
// job's password, makes the session, checks the destination and settles the
// check's questions through RunAnswers (the unattended rules when nobody can
// answer), forwards the session's events, saves the store and the reports at
// the end and hands the outcome back.
//
// At most max_runs runs go at once in a process; a further start is refused
// with RunRefused, as is a second run of a job that runs. stop(), pause()
// and resume() and every query of a run are safe from any thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/backup_exception.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/backup_item_report.h"

namespace brim {

// Who answers the questions before a backup: a terminal, dialogs; null
// answers stand for nobody (the unattended rules).
class RunAnswers {
public:
    virtual ~RunAnswers() = default;

    // False: nobody can answer for this job now, so the destination's check
    // applies the unattended rules. A job marked unattended never asks.
    virtual bool can_ask(const BackupItem& job) const = 0;

    // The job's password, asked when the job needs one (`needed`) or offered
    // by the caller without asking (a password file).
    struct Password {
        enum class Kind { none, given, failed } kind = Kind::none;  // failed: the caller said why
        bk::String text;
    };
    virtual Password password(const BackupItem& job, bool needed) = 0;
    // The password given is not the job's.
    virtual void wrong_password(const BackupItem& job) = 0;

    // The destination's check refused the run (a newer set, a password the
    // set does not take, a failure: failed was logged already).
    virtual void refused(CheckResult result, const BackupItem& job) = 0;
    // The destination is a floppy disk: a warning, the run goes on.
    virtual void floppy(const BackupItem& job) = 0;
    // A question of the check (clears_foreign*, replaces_set*,
    // replaces_incomplete*): true goes on with what it says.
    virtual bool confirm(CheckResult result, const BackupItem& job) = 0;
    // A replace question answered no: this run and the next ones append.
    virtual void appending(const BackupItem& job) = 0;
};

// What a check's result means for the run: a refusal and a floppy warning
// are told to `answers` (null: to nobody), the questions asked only when
// `can_ask` (else the check's unattended rules have decided already). True
// when the run goes on; a replace question answered no sets the job to keep
// its set (under the store's lock).
bool settle_check(CheckResult result, BackupItem& job, RunAnswers* answers, bool can_ask);

// Proves the job's password through `answers` (null: nobody answers, and a
// job marked unattended needs none). False when it is missing or not right.
bool prove_password(BackupItem& job, RunAnswers* answers);

// A start the runner refuses, with the reason in words.
class RunRefused final : public BackupException {
public:
    enum class Reason { too_many_runs, job_running, password, no_session, by_caller };
    RunRefused(Reason reason, bk::String message) : BackupException(std::move(message)), reason_(reason) {}
    Reason reason() const { return reason_; }

private:
    Reason reason_;
};

// How far a run is: what a watcher polls. Totals are known once the scan
// has ended.
struct RunProgress {
    std::uint32_t files_done = 0;
    std::uint32_t files_total = 0;
    std::uint64_t bytes_done = 0;
    std::uint64_t bytes_total = 0;
    bk::String current;  // the file or folder being worked on
};

struct RunOutcome {
    enum class End { ran, refused_by_check };
    End end = End::ran;
    // The run's report as it was saved (none for a kind without reports).
    std::shared_ptr<const BackupItemReport> report;
    // The report's result (RunResult), 0 without a report.
    int result = 0;
    // Why saving the store after the run failed; empty when it did not.
    bk::String save_failure;
};

struct RunRequest {
    // Backup: who answers the questions (null: nobody); what to do with the
    // session before it runs (false refuses the start: by_caller).
    RunAnswers* answers = nullptr;
    std::function<bool(BackupSession&)> prepare;
    // Who answers, in an unattended run, whether a set of another program
    // on the destination is cleared (null: the unattended rules settle it):
    // the desktop program asks it of a scheduled run too. The run's other
    // questions stay unasked.
    RunAnswers* check_answers = nullptr;
    // The listeners the events are forwarded to (may be null); called on
    // the worker thread.
    BackupEvent* backup_events = nullptr;
    RestoreEvent* restore_events = nullptr;
    // Whether the job store is saved at the end (a job of the store), or
    // only nothing (a job made from an archive file for one restore).
    bool save_store = true;
    // On the worker thread once the run has ended and been saved.
    std::function<void(const BackupItem& job, const RunOutcome& outcome)> on_end;
};

class JobRun final {
public:
    ~JobRun();
    JobRun(const JobRun&) = delete;
    JobRun& operator=(const JobRun&) = delete;

    BackupItem& job() const { return job_; }
    SessionDirection direction() const { return session_->session_direction(); }

    void stop();
    void pause();
    void resume();
    // Never block.
    bool running() const { return !finished_.load(); }
    bool paused() const { return paused_.load() && running(); }
    bool stopping() const { return stop_asked_.load() && running(); }
    bool finished() const { return finished_.load(); }
    RunProgress progress() const;

    // Waits for the end of the run and returns its outcome.
    RunOutcome wait();
    // Waits up to `ms` milliseconds; true when the run has ended.
    bool wait_for(int ms);

private:
    friend class JobRunner;
    class Relay;
    JobRun(BackupItem& job, std::unique_ptr<BackupSession> session, RunRequest request);
    void work_backup(bool unattended);
    void work_restore(std::vector<const DataHeader*> selection, bk::String target, std::uint32_t option);
    // The run's report into the outcome, and the store saved when asked.
    void conclude(RunOutcome& outcome);
    void finish(RunOutcome outcome);

    BackupItem& job_;
    std::unique_ptr<BackupSession> session_;
    RunRequest request_;
    std::unique_ptr<Relay> relay_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> stop_asked_{false};
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    RunOutcome outcome_;
    std::thread worker_;
};

class JobRunner final {
public:
    static constexpr std::size_t max_runs = 4;

    JobRunner() = default;
    // Stops the runs that still go and waits for them.
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Starts the job's backup: the password is proved here, on the calling
    // thread; the check, its questions and the run go on the worker. Throws
    // RunRefused when it cannot start (refusals of an unattended run are
    // logged with the job as source, but for a refusal by the caller's own
    // prepare, which said why). The job must outlive the run.
    std::shared_ptr<JobRun> start_backup(BackupItem& job, RunRequest request);
    // Starts a restore of the items of a set that `session` opened.
    std::shared_ptr<JobRun> start_restore(std::unique_ptr<BackupSession> session,
                                          std::vector<const DataHeader*> selection, bk::String target,
                                          std::uint32_t option, RunRequest request);

    // The runs that have not ended.
    std::vector<std::shared_ptr<JobRun>> runs() const;
    std::size_t running_count() const;
    void stop_all();
    void wait_all();

private:
    // Counts the run in (reserves its place), or throws RunRefused.
    void admit(const BackupItem& job, bool unattended);
    // Gives a reserved place back.
    void release();
    std::shared_ptr<JobRun> launch(BackupItem& job, std::unique_ptr<BackupSession> session, RunRequest request);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<JobRun>> runs_;
    std::size_t reserved_ = 0;  // places of starts not yet launched
};

}  // namespace brim
