#pragma once
// Text to and from the terminal, and the job store as the commands use it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "basekit/types.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/store_lock.h"

namespace brim::cli {

std::string out(bk::StringView text);
bk::String in(const std::string& text);
// Where a command's output and messages go: standard output and error, or,
// for a command handed over to this process, the text of its answer.
std::ostream& say();
std::ostream& warn();
// Sends say() and warn() of the calling thread into `text`, and asks no one
// at a terminal, while it lives.
class CapturedOutput final {
public:
    explicit CapturedOutput(std::ostream& text);
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;
};
// Whether someone at a terminal may be asked (never for a command handed over).
bool can_prompt();
void print_error(const std::string& text);
// Says that another process owns the job store; returns the exit status.
int store_busy();
// Says that no job has that name or id; returns the exit status.
int job_not_found(const std::string& name);
// A difference job has no run of its own: it would report success having
// backed up nothing, so it is neither made nor run here. Says so; 64.
int refuse_difference_job();

// A password read from the first line of a file, or asked on the terminal
// without echo (twice when `confirm`). Throws std::runtime_error.
bk::String read_password(const std::string& file, const std::string& prompt, bool confirm);

// Proves the job's password when it is not known, and checks the one in
// `password_file` when one is given for a job with a password. False, after
// saying why, when the password is missing or not right.
bool prove_password(BackupItem& job, const std::string& password_file);

// The backup session for the job's kind; null after saying there is none.
std::unique_ptr<BackupSession> backup_session_for(BackupItem& job);

// What happens to a file that exists at a restore (--existing of "job add"
// and "restore", which take the same words).
enum class ExistingPolicy { keep, ask, by_time, replace };
// keep (or skip), ask, by-time (or older), replace.
std::vector<std::string> existing_word_list();
std::string existing_words_help();
// The policy of one of existing_word_list(); throws std::out_of_range else.
ExistingPolicy existing_policy(const std::string& word);

// The job of the store with exactly this name; null when none.
BackupItem* job_named(bk::StringView name);

// Says why `name` cannot name a job and returns exit_usage; 0 when it can.
int refuse_job_name(bk::StringView name);

// Text for one line of output: control characters as \n, \t, \xHH and
// backslashes doubled, so that every name stays on its line.
std::string printable(bk::StringView text);

// The days of the week as options write them ("sun" .. "sat") and their bits
// (Sunday 0x01 .. Saturday 0x40).
const std::map<std::string, std::uint16_t>& weekday_bits();

// This process holds the job store for its runs and takes hand-overs: a
// command it runs uses that hold instead of taking the store's lock, and
// `in_use` tells the jobs its runs use (which cannot be removed).
void hold_store_here(std::function<bool(const BackupItem&)> in_use);
void release_store_here();
// Whether a run of this process uses the job.
bool job_in_use(const BackupItem& job);

// The job store of this user, loaded; with `change` the store's lock is
// held first (null lock: another process owns the data directory). A store
// that loads whole refreshes its safety copies (safety_copy_days); one that
// does not is read leniently, with a warning.
class Store final {
public:
    static constexpr std::int32_t safety_copy_days = 15;

    explicit Store(bool change);
    bool locked_out() const { return change_ && !lock_ && !held_here_; }
    // For commands that change job definitions: nothing when they may go on
    // here; otherwise the status the command ends with: a command another
    // process holding the store takes is handed over to it
    // (hand_over_command: its answer's status, 0 when it was done there),
    // else it says why not (another process holds the store, or it was read
    // only in part and saving would lose jobs).
    std::optional<int> refuse_changes() const;
    // A job by name, or by id when the text is a number and no job has that
    // name; null when none.
    BackupItem* find(const std::string& name_or_id) const;
    // Saves the store; a store read only in part saves its reports alone.
    void save() const;
    // Why the store was read only in part; empty when it was read whole.
    const std::string& damage() const { return damage_; }

private:
    bool change_;
    bool held_here_ = false;
    std::unique_ptr<StoreLock> lock_;
    std::string damage_;
};

}  // namespace brim::cli
