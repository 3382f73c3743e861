#pragma once
// Writing a remote file whole or not at all.
#include <functional>

#include "basekit/stream.h"
#include "basekit/types.h"

namespace brim {

class FtpConnection;
class FtpRetryPolicy;

// The temporary name an upload is written under beside its target.
inline constexpr bk::StringView ftp_partial_suffix = u"~~part";

// Uploads `remote` under its name + "~~part": `write` fills the stream (a
// dropped connection resumes under the retry rule of `policy`), and once
// the server holds the file whole it is renamed over `remote`, so a good
// file of that name is never replaced by part of one. When `write` returns
// false (a stop) or anything throws, the partial file is deleted and the
// target left as it was. True when the file was renamed into place. Throws
// FtpException (the transfer's failure, or "Can't rename the file on FTP
// server.") and what `write` throws.
bool upload_in_place(FtpConnection& connection, const bk::String& remote, FtpRetryPolicy* policy,
                     const std::function<bool(bk::OutputStream& out)>& write);

}  // namespace brim
