#include "core/media/ftp_upload.h"

#include "core/media/ftp_connection.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_output_stream.h"
#include "core/media/ftp_retry.h"

namespace brim {
namespace {

// Deletes the partial file of an upload unless it was renamed into place.
class RemotePartial final {
public:
    RemotePartial(FtpConnection& connection, bk::String path) : connection_(connection), path_(std::move(path)) {}
    ~RemotePartial() {
        if (!armed_) return;
        try {
            connection_.delete_file(path_);
        } catch (const bk::Exception&) {
            // Its name says what it is; the next upload of the file replaces it.
        }
    }
    RemotePartial(const RemotePartial&) = delete;
    RemotePartial& operator=(const RemotePartial&) = delete;
    const bk::String& path() const { return path_; }
    void commit_to(const bk::String& target, FtpRetryPolicy* policy) {
        run_with_ftp_retry(policy, connection_, ftp_message::cannot_rename, [&] { connection_.rename(path_, target); });
        armed_ = false;
    }

private:
    FtpConnection& connection_;
    bk::String path_;
    bool armed_ = true;
};

}  // namespace

bool upload_in_place(FtpConnection& connection, const bk::String& remote, FtpRetryPolicy* policy,
                     const std::function<bool(bk::OutputStream& out)>& write) {
    RemotePartial partial(connection, remote + bk::String(ftp_partial_suffix));
    {
        FtpOutputStream out(connection, partial.path(), policy);
        // Leaving without close() abandons the upload; the partial file then goes.
        if (!write(out)) return false;
        out.close();
    }
    partial.commit_to(remote, policy);
    return true;
}

}  // namespace brim
