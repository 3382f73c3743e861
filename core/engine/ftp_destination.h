#pragma once
// Jobs whose destination is on an FTP server ("ftp://host[:port]/path"):
// the kinds that can write there and the log-on entry they need.
#include <optional>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"

namespace brim {

// Whether a job of this kind can write to an FTP destination.
bool kind_writes_to_ftp(BackupKind kind);

// Why the job cannot write to its FTP destination, as the text the user
// is shown; nothing when it can, or when its destination is not on an FTP
// server. The destination needs an entry of the job's FTP server list for
// its host (and port, when it writes one).
std::optional<bk::String> ftp_destination_fault(const BackupItem& job);

}  // namespace brim
