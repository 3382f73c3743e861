#pragma once
// Text to and from the terminal, and the job store as the commands use it.
#include <memory>
#include <string>

#include "basekit/types.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/store_lock.h"

namespace brim::cli {

std::string out(bk::StringView text);
bk::String in(const std::string& text);
void print_error(const std::string& text);
// Says that another process owns the job store; returns the exit status.
int store_busy();
// Says that no job has that name or id; returns the exit status.
int job_not_found(const std::string& name);

// A password read from the first line of a file, or asked on the terminal
// without echo (twice when `confirm`). Throws std::runtime_error.
bk::String read_password(const std::string& file, const std::string& prompt, bool confirm);

// Proves the job's password when it is not known, and checks the one in
// `password_file` when one is given for a job with a password. False, after
// saying why, when the password is missing or not right.
bool prove_password(BackupItem& job, const std::string& password_file);

// The backup session for the job's kind; null after saying there is none.
std::unique_ptr<BackupSession> backup_session_for(BackupItem& job);

// The job store of this user, loaded; with `change` the store's lock is
// held first (null lock: another process owns the data directory).
class Store final {
public:
    explicit Store(bool change);
    bool locked_out() const { return change_ && !lock_; }
    // A job by name, or by id when the text is a number; null when none.
    BackupItem* find(const std::string& name_or_id) const;
    void save() const;

private:
    bool change_;
    std::unique_ptr<StoreLock> lock_;
};

}  // namespace brim::cli
