#pragma once
// Jobs whose destination is on an FTP server ("ftp://host[:port]/path"):
// the kinds that can write there and the log-on entry they need.
#include <memory>
#include <optional>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"

namespace brim {

class FtpConnection;
class FtpRetryPolicy;
class FtpStaging;

// Whether a job of this kind can write to an FTP destination.
bool kind_writes_to_ftp(BackupKind kind);

// Whether a file named `name` in the job's destination folder belongs to
// its set: the main archive or one of its continuation volumes.
bool belongs_to_set(const BackupItem& job, bk::StringView name);

// The staging folder of a backup of the job ("backup"), or of one reading
// of its set (another `purpose`, numbered with the process so that readings
// never share one).
bk::String staging_folder(const BackupItem& job, bk::StringView purpose);

// Fetches the job's set from its FTP destination into `staging` for a run
// that writes it: the main archive and the digest file whole, then each
// volume of the chain in turn, each kept only as its outline (its run data
// left out) once the chain was read through it, so that the folder never
// holds more than one volume whole. The last volume stays whole when the
// job's runs append to the set (they write on in it). A volume the chain names that the server
// does not have ends the fetch: the set then reads as damaged, as on a local
// disk. False when stopped; throws as FtpStaging::fetch().
[[nodiscard]] bool fetch_set_outline(FtpStaging& staging, FtpConnection& connection, const BackupItem& job,
                                     bool has_copy_root, FtpRetryPolicy* policy);

// A copy of what the set's files depend on in `job` (no reports, no
// trigger), with `folder` as its destination: the job as a run or a reading
// sees it while the set is staged there.
std::unique_ptr<BackupItem> staged_view(const BackupItem& job, const bk::String& folder);

// Why the job cannot write to its FTP destination, as the text the user
// is shown; nothing when it can, or when its destination is not on an FTP
// server. The destination needs an entry of the job's FTP server list for
// its host (and port, when it writes one).
std::optional<bk::String> ftp_destination_fault(const BackupItem& job);

}  // namespace brim
