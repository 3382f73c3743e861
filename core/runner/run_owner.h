#pragma once
// The owner's side of the hand-over channel over the job runner: the process
// that holds the job store (brimvault-cli serve, a run, the program) answers
// the command lines later starts hand to it. "backup <id>" (a scheduled
// start) and "run <id>" (brimvault-cli run) start that job's backup
// unattended on the runner and answer at once; every other line goes to the
// owner's own handler (none: refused).
//
// The answer's status is the exit status the later start ends with: 0 taken
// on, 64 a line the owner does not take, 65 no such job, 70 the job cannot
// run, 75 the runner is busy with it or with as many runs as it takes, 77 the
// job needs a password that nobody can give.
#include <functional>
#include <memory>

#include "core/runner/exit_status.h"
#include "core/runner/handover.h"
#include "core/runner/job_runner.h"

namespace brim {

// What the owner answers a backup handed over to it with.
namespace handover_status {
inline constexpr int taken = 0;
inline constexpr int usage = exit_status::usage;
inline constexpr int not_found = exit_status::not_found;
inline constexpr int failure = exit_status::failure;
inline constexpr int busy = exit_status::store_busy;
inline constexpr int password = exit_status::password;
}  // namespace handover_status

class RunOwner final {
public:
    using Handler = std::function<HandoverAnswer(const bk::String& command_line)>;
    using RunEnded = std::function<void(const BackupItem& job, const RunOutcome& outcome)>;

    // `other` answers the lines that are not "backup <id>" or "run <id>"; `ended` is told
    // on the run's worker when a handed-over run has ended.
    RunOwner(JobRunner& runner, Handler other = {}, RunEnded ended = {});
    ~RunOwner();
    RunOwner(const RunOwner&) = delete;
    RunOwner& operator=(const RunOwner&) = delete;

    // Listens at `path` (handover_path()) from now on. Throws IOException
    // when another owner listens there.
    void listen(bk::String path);
    // Takes no more lines; a line being answered is answered first.
    void stop_listening();

    // The answer to one command line (what the channel's thread calls).
    HandoverAnswer answer(const bk::String& command_line);

private:
    HandoverAnswer start_backup(const bk::String& id_text);

    JobRunner& runner_;
    Handler other_;
    RunEnded ended_;
    std::unique_ptr<HandoverListener> listener_;
};

}  // namespace brim
