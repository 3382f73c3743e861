#pragma once
// The rules of a job the backup wizard is making, apart from any widget:
// the checks of its name and destination, FTP destinations, its security,
// what finishing fixes in it and what cancelling takes back.
#include <cstdint>
#include <functional>
#include <optional>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"

namespace brim {
class BackupItemManager;
}

namespace job {

// Help page of the message about a job name that is taken.
inline constexpr int job_name_taken_help = 1017;

// Whether a job of the kind copies files rather than writing an archive:
// copy, increment copy and merge copy.
bool IsCopyKind(brim::BackupKind kind);

// An FTP destination written as "ftp://[user@]host[:port][/folder]": the
// destination the job keeps ("ftp://host[:port]/folder", without the user)
// and the log-on entry the core needs for its server (port 21 when none is
// written, passive, no password yet).
struct FtpDestination {
    bk::String destination;
    brim::FtpConnectInfo server;
};
// Nothing when `text` is not such a destination: no host, an empty user
// before "@", or a port that is not a number from 1 to 65535.
std::optional<FtpDestination> ParseFtpDestination(bk::StringView text);

// The job's destination as the user writes it: an FTP destination with the
// user of its server's entry ("ftp://user@host[:port]/folder"), so that
// it reads back to the same entry; any other as it is.
bk::String DestinationAsWritten(const brim::BackupItem& job);

// Puts `server` in the job's FTP server list in place of the entry for the
// same host and port, or adds it.
void KeepFtpServer(brim::BackupItem& job, const brim::FtpConnectInfo& server);

// Another job of the store whose name equals `name` without regard to
// case; null when there is none. `self` is never counted.
const brim::BackupItem* FindNameClash(const brim::BackupItemManager& store, bk::StringView name,
                                      const brim::BackupItem* self);

// Which field a failed check is about; none when every check passed.
enum class NewJobField { none, name, destination };

// What the checks ask of the user: a password (text shown; nullopt when the
// user cancels). The message boxes go through BrimMessageBox.
using PasswordQuestion = std::function<std::optional<bk::String>(const bk::String& text)>;

// The checks of the name and destination page, in order: an empty name or
// the placeholder, an empty destination, a malformed FTP destination,
// CheckBack, a name another job of the store has (case-insensitive), the
// FTP server's password. When all pass the job takes the name and the
// destination, and an existing set at a local destination (any kind but
// directory copy) is cleared after the user agreed and, for a protected
// set, proved its password. Each fault is shown and names its field.
class NameAndDestinationCheck final {
public:
    NameAndDestinationCheck(brim::BackupItem& job, brim::BackupItemManager& store, PasswordQuestion ask)
        : job_(job), store_(store), ask_(std::move(ask)) {}

    NewJobField Check(bk::StringView name, bk::StringView destination);

private:
    NewJobField CheckFtpServer(const FtpDestination& ftp);
    NewJobField ClearExistingSet();

    brim::BackupItem& job_;
    brim::BackupItemManager& store_;
    PasswordQuestion ask_;
};

// The job's security: its cipher and password bits become `bits`
// (cipher_mask and password only) and its password `password`; with bits 0
// the password is forgotten.
void SetJobSecurity(brim::BackupItem& job, bk::StringView password, std::uint32_t bits);

// What finishing the wizard fixes in the job: a combination rule only for
// increment and increment copy, no retry flag, and no security for merge
// copy (whose pages skip it).
void FinishNewJob(brim::BackupItem& job);

// Takes back a job the wizard made: deletes its scheduler task when it has
// one (the planner obtained silently) and removes it from the store.
void DiscardNewJob(brim::BackupItemManager& store, brim::BackupItem* job);

}  // namespace job
