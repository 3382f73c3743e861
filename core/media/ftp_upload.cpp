#include "core/media/ftp_upload.h"

#include "core/media/ftp_connection.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_output_stream.h"
#include "core/media/ftp_retry.h"

namespace brim {

FtpPartialUpload::FtpPartialUpload(FtpConnection& connection, bk::String target)
    : connection_(connection), target_(std::move(target)), partial_(target_ + bk::String(ftp_partial_suffix)) {}

FtpPartialUpload::~FtpPartialUpload() {
    if (committed_) return;
    try {
        connection_.delete_file(partial_);
    } catch (const bk::Exception&) {
        // Its name says what it is; the next upload of the file replaces it.
    }
}

bool FtpPartialUpload::send(FtpRetryPolicy* policy, const std::function<bool(bk::OutputStream& out)>& write) {
    FtpOutputStream out(connection_, partial_, policy);
    // Leaving without close() abandons the upload; the partial file then goes.
    if (!write(out)) return false;
    out.close();
    return true;
}

void FtpPartialUpload::commit(FtpRetryPolicy* policy) {
    run_with_ftp_retry(policy, connection_, ftp_message::cannot_rename, [&] { connection_.rename(partial_, target_); });
    committed_ = true;
}

bool upload_in_place(FtpConnection& connection, const bk::String& remote, FtpRetryPolicy* policy,
                     const std::function<bool(bk::OutputStream& out)>& write) {
    FtpPartialUpload partial(connection, remote);
    if (!partial.send(policy, write)) return false;
    partial.commit(policy);
    return true;
}

}  // namespace brim
