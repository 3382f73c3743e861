#pragma once
// Folders and entries on an FTP server looked at one by one, as a backup
// that writes to an FTP destination needs them.
#include <optional>

#include "basekit/types.h"
#include "core/media/ftp_listing.h"

namespace brim {

class FtpConnection;

// The entry `name` as its folder's listing shows it (its time and size);
// nothing when the folder lists without it, or when the folder itself is
// missing. Throws FtpException for other failures of the listing.
std::optional<FtpListEntry> find_ftp_entry(FtpConnection& connection, bk::StringView name);

// Creates the folder `name` and the folders above it that are missing; a
// folder that is there already is kept. Throws FtpException "Can't create
// directory on FTP server." when the folder is not there afterwards.
void make_ftp_directories(FtpConnection& connection, bk::StringView name);

}  // namespace brim
