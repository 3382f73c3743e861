#pragma once
// Removing old data from an FTP destination, under the network retry rule.
#include "basekit/types.h"

namespace brim {

class FtpConnection;
class FtpRetryPolicy;

// Deletes a remote file. True when the file is gone afterwards (also when
// the server refused because it was not there); false after a network
// failure the retry rule could not overcome, when the session was stopped,
// or when the server refused and the file is still there.
bool delete_old_ftp_file(FtpConnection& connection, bk::StringView name, FtpRetryPolicy* policy);

// Deletes a remote directory with everything below it, depth first. Stops
// with false at the first entry that cannot be deleted or when the session
// is stopped; true when the directory is gone.
bool delete_ftp_directory_tree(FtpConnection& connection, bk::StringView name, FtpRetryPolicy* policy);

}  // namespace brim
