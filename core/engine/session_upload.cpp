// Copies to an FTP destination: each file uploaded under a temporary name
// and renamed into place when whole, and copies read back from the server.
#include "basekit/error_code.h"
#include "basekit/file_stream.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/engine/backup_session.h"
#include "core/engine/item_source.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_input_stream.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_tree.h"
#include "core/media/ftp_upload.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_unable_to_copy = 140;
constexpr std::uint32_t msg_link_on_ftp = 533;

}  // namespace

BackupSession::CopyOutcome BackupSession::upload_file(const DataHeader& item, const bk::String& target,
                                                      bool overwrite, CopyDigests* digests) {
    const bk::String source = item.full_path();
    try {
        if (!item.is_ftp() && is_link_item(item)) throw BackupException(msg_link_on_ftp);
        FtpConnection& connection = get_ftp_connection(target);
        if (!overwrite && find_ftp_entry(connection, target))
            throw bk::IOException(bk::system_error(u"", bk::error::file_exists), bk::error::file_exists, target);
        fire_on_file(source, 0);
        std::unique_ptr<bk::InputStream> in = open_item(item);
        if (digests != nullptr) digests->order.push_back(&item);
        archive::DigestPipe::File hash(digests != nullptr ? &digests->pipe : nullptr, false);
        if (!upload_in_place(connection, target, &retry_policy(),
                             [&](bk::OutputStream& out) { return copy_blocks(*in, out, &hash); }))
            return CopyOutcome::stopped;
        hash.finish(false);
        item_written(item, item.size);
        return CopyOutcome::copied;
    } catch (const FtpException& failure) {
        // The server was lost for longer than the retry rule waits.
        if (lost_upload_ends_run() && is_retryable_ftp_error(failure.error_code())) throw;
        warning(bk::format_text(message(msg_unable_to_copy), {source, failure.message()}));
        return CopyOutcome::failed;
    } catch (const bk::Exception& failure) {
        warning(bk::format_text(message(msg_unable_to_copy), {source, failure.message()}));
        return CopyOutcome::failed;
    }
}

std::unique_ptr<bk::InputStream> BackupSession::open_copy(const bk::String& path) {
    if (is_ftp_path(path)) return std::make_unique<FtpInputStream>(get_ftp_connection(path), path, &retry_policy());
    return std::make_unique<bk::FileInputStream>(path, bk::FileShare::ReadWrite);
}

}  // namespace brim
