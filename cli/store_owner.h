#pragma once
// brimvault-cli as the owner of the job store: while a run or serve holds
// the store it listens on the hand-over channel and runs the backups later
// starts hand to it through its own runner; a command that finds the store
// held hands itself over to that owner.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/runner/job_runner.h"
#include "core/runner/run_owner.h"

namespace brim::cli {

class StoreOwner final {
public:
    // Listens from now on; a channel that cannot be opened costs only the
    // hand-overs (said once on standard error), unless `required`, which
    // throws its failure.
    explicit StoreOwner(bool required = false);
    ~StoreOwner();
    StoreOwner(const StoreOwner&) = delete;
    StoreOwner& operator=(const StoreOwner&) = delete;

    JobRunner& runner() { return runner_; }
    // Waits until every run handed over has ended, then takes no more;
    // `stop_asked` is polled meanwhile and true stops the runs.
    void finish_handed_runs(const std::function<bool()>& stop_asked);
    // Takes no more hand-overs, stops the runs and waits for them.
    void stop();

private:
    JobRunner runner_;
    RunOwner owner_;
};

// For a command that found the store held by another process: hands
// `command_line` to its owner, prints the owner's answer and returns its
// status; says the store is busy (75) when nobody listens.
int hand_over_or_busy(const std::string& command_line);

// For a command that changes jobs (job add, job remove, job import, open)
// and found the store held: hands the command the calling thread runs over
// to the owner, with the current directory its paths are relative to.
// Other commands, a line longer than a hand-over takes and nobody listening
// give 75.
int hand_over_command();

// The owner's answer to a command line handed over that is not a backup:
// "in <folder> <arguments>" for the commands that change jobs, run here in
// that folder with the store held and their output as the answer's text.
HandoverAnswer answer_command(const bk::String& line);

// One line of words: a word with a space, a quote, a backslash or a control
// character, and an empty one, in double quotes with \" and \\ inside.
std::string join_words(const std::vector<std::string>& words);
// The words of such a line; nothing when a quote is not closed.
std::optional<std::vector<std::string>> split_words(const std::string& line);

}  // namespace brim::cli
