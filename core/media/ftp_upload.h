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

// One upload under the target's name + "~~part", put in place only by
// commit(): until then the target on the server is untouched, so several
// files can be sent first and renamed into place together. Destroying it
// uncommitted deletes the partial file (a failure to delete is left alone:
// the name says what it is, and the next upload of the file replaces it).
// The connection is not owned and must outlive it; one thread uses it.
class FtpPartialUpload final {
public:
    FtpPartialUpload(FtpConnection& connection, bk::String target);
    ~FtpPartialUpload();
    FtpPartialUpload(const FtpPartialUpload&) = delete;
    FtpPartialUpload& operator=(const FtpPartialUpload&) = delete;

    const bk::String& target() const { return target_; }

    // `write` fills the partial file (a dropped connection resumes under the
    // retry rule of `policy`). False when `write` returned false (a stop):
    // the upload is abandoned. Throws FtpException (the transfer's failure)
    // and what `write` throws.
    bool send(FtpRetryPolicy* policy, const std::function<bool(bk::OutputStream& out)>& write);
    // Renames the partial file over the target. Throws FtpException "Can't
    // rename the file on FTP server." when the retry rule gives up.
    void commit(FtpRetryPolicy* policy);

private:
    FtpConnection& connection_;
    bk::String target_;
    bk::String partial_;
    bool committed_ = false;
};

// Uploads `remote` under its name + "~~part" and, once the server holds the
// file whole, renames it over `remote`, so a good file of that name is never
// replaced by part of one. When `write` returns false (a stop) or anything
// throws, the partial file is deleted and the target left as it was. True
// when the file was renamed into place. Throws as FtpPartialUpload.
bool upload_in_place(FtpConnection& connection, const bk::String& remote, FtpRetryPolicy* policy,
                     const std::function<bool(bk::OutputStream& out)>& write);

}  // namespace brim
