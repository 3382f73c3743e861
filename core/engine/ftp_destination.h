#pragma once
// Jobs whose destination is on an FTP server ("ftp://host[:port]/path"):
// the kinds that can write there and the log-on entry they need.
#include <memory>
#include <optional>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"

namespace brim {

// Whether a job of this kind can write to an FTP destination.
bool kind_writes_to_ftp(BackupKind kind);

// Whether a file named `name` in the job's destination folder belongs to
// its set: the main archive or one of its continuation volumes.
bool belongs_to_set(const BackupItem& job, bk::StringView name);

// The staging folder of a backup of the job ("backup"), or of one reading
// of its set (another `purpose`, numbered with the process so that readings
// never share one).
bk::String staging_folder(const BackupItem& job, bk::StringView purpose);

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
