#pragma once
// The checks before a job's backup starts: the limit of runs at once, a job
// that runs or is being edited, the job's password (unattended runs ask
// none), the network servers of its sources and destination; then the
// core's runner. A refusal is told the way the run was started: a log
// entry with the job as its source when unattended, a warning box when by
// hand. A refused start leaves no run behind.
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "core/runner/job_runner.h"

namespace app {

// The run state of each job as the job list shows it.
enum class JobState { idle = 0, running = 1, being_modified = 2 };

class JobStates {
public:
    JobState get(const brim::BackupItem& job) const;
    void set(const brim::BackupItem& job, JobState state);

private:
    mutable std::mutex mutex_;
    std::map<const brim::BackupItem*, JobState> states_;
};

// The servers reached once in this program run are not checked again.
class ServerChecks {
public:
    // Checks every source, then the destination, that lies on a network
    // server. False when one cannot be reached (said already).
    bool check(const brim::BackupItem& job, bool unattended);
    // Checks one path asked by hand (a restore's set or target) for the job
    // named `job_name` (may be empty); true for a path on no server.
    bool check_path(const bk::String& path, const bk::String& job_name);
    // The server part of a network path ("\\server" or "smb://server"),
    // empty for any other path.
    static bk::String server_of(const bk::String& path);

private:
    bool check_server(const bk::String& server, const bk::String& job_name, bool unattended);
    std::mutex mutex_;
    std::set<bk::String> reached_;
};

// A refusal told the way the run was started: `text` logged as an error of
// the job, or shown in a warning box.
void tell_refusal(const bk::String& text, const brim::BackupItem& job, bool unattended);
// Text cut before its last line break (the line naming the job dropped).
bk::String without_last_line(const bk::String& text);

class BackupStarter {
public:
    BackupStarter(brim::JobRunner& runner, JobStates& states, ServerChecks& servers)
        : runner_(runner), states_(states), servers_(servers) {}

    // The run, or null when it was refused (and said why). `request` carries
    // the listeners; its answers are replaced by `answers` for a run by
    // hand and by none for an unattended one.
    std::shared_ptr<brim::JobRun> start(brim::BackupItem& job, bool unattended, brim::RunAnswers& answers,
                                        brim::RunRequest request);

private:
    // The refusal before the core's runner is asked; false when none.
    bool refused_before(const brim::BackupItem& job, bool unattended);
    void tell(const brim::RunRefused& refusal, brim::BackupItem& job, bool unattended);

    brim::JobRunner& runner_;
    JobStates& states_;
    ServerChecks& servers_;
};

// The text of the limit of runs at once.
bk::String too_many_runs_text();

}  // namespace app
