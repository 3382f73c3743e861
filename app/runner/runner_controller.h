#pragma once
// The program's job runner on the GUI thread: starts backups and restores
// on the core's runner after the checks before a run, keeps the task
// monitor's rows up to date from the runs' events and a once-a-second
// ticker per run, pauses and stops rows, and handles the end of each run
// (the job's state back to idle, the completion pop-up).
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QObject>
#include <QString>

#include "app/runner/backup_starter.h"
#include "app/runner/file_replace_dialog.h"
#include "app/runner/watcher_list.h"
#include "core/runner/job_runner.h"

namespace app {

class RunnerController final : public QObject {
    Q_OBJECT
public:
    explicit RunnerController(QObject* parent = nullptr);
    // Stops every run and waits for their workers (the GUI thread's events
    // are handled meanwhile; no more questions are asked).
    ~RunnerController() override;

    // Starts the job's backup, by hand or unattended (a scheduled start):
    // false when it was refused (and said why).
    bool start_backup(brim::BackupItem& job, bool unattended);
    // Starts the restore of `selection` from the set `session` opened. The
    // session's job must outlive the run and its row, or be handed over as
    // `set_job` (a job made from an archive file), which the row then keeps.
    bool start_restore(std::unique_ptr<brim::BackupSession> session, std::vector<const brim::DataHeader*> selection,
                       bk::String target, std::uint32_t option, std::unique_ptr<brim::BackupItem> set_job = nullptr);

    // Commands of a row, by job name. Stop applies while the row is not
    // stopped, terminated or finished (a paused run is resumed first).
    void stop(const bk::String& job_name);
    void pause(const bk::String& job_name);
    void resume(const bk::String& job_name);
    void stop_all();
    // Waits until every run's worker has ended, handling the GUI thread's
    // events meanwhile.
    void wait_all();

    // The runs whose workers have not ended.
    std::size_t running_count() const;
    std::vector<bk::String> running_job_names() const;

    // The job is deleted: its row and its ended run go. False while it runs.
    bool forget(const brim::BackupItem& job);

    // The job is open in a dialog: it cannot run meanwhile.
    void set_modifying(const brim::BackupItem& job, bool modifying);
    JobState job_state(const brim::BackupItem& job) const { return states_.get(job); }

    WatcherList& watchers() { return watchers_; }
    const WatcherList& watchers() const { return watchers_; }
    brim::JobRunner& runner() { return runner_; }
    // The network servers reached in this program run.
    ServerChecks& servers() { return servers_; }

    // What a run's listener delivers on the GUI thread; `serial` names the
    // run, so that a late event of an earlier run of the job is dropped.
    void react(std::uint64_t serial, const std::function<void(WatcherRow&)>& reaction);
    void run_began(std::uint64_t serial, brim::SessionDirection direction);
    void run_failed(std::uint64_t serial, const bk::String& text);
    void run_finished(std::uint64_t serial);
    ReplaceAnswer ask_replace(std::uint64_t serial, const ReplaceQuestion& question);

signals:
    // A run's worker has ended; kind 0 stopped (or refused by the
    // destination's check), 1 error, 2 finished.
    void run_ended(const QString& job_name, int kind);
    // A start was refused (and said why).
    void start_refused(const QString& job_name, bool unattended);
    // Rows, their columns or their output changed.
    void rows_changed();

private:
    struct Entry;
    Entry* entry_of(const bk::String& job_name) const;
    Entry* entry_of(std::uint64_t serial) const;
    WatcherRow* row_of(const Entry& entry);
    // The new run's entry (its listener and answers), not yet kept.
    std::unique_ptr<Entry> make_entry(brim::BackupItem& job, bool unattended);
    brim::RunRequest request_for(Entry& entry);
    // Keeps the started run's entry in place of the job's old one.
    void keep(std::unique_ptr<Entry> entry);
    // A start refused because the job's last run has not ended.
    bool refuse_while_running(const brim::BackupItem& job, bool unattended);
    void end_of_run(Entry& entry, RunEnd kind);
    void worker_ended(std::uint64_t serial);
    void tick(Entry& entry);

    brim::JobRunner runner_;
    JobStates states_;
    ServerChecks servers_;
    BackupStarter starter_{runner_, states_, servers_};
    WatcherList watchers_;
    std::map<bk::String, std::unique_ptr<Entry>> entries_;
    std::uint64_t next_serial_ = 1;
    std::atomic<bool> closing_{false};
};

}  // namespace app
