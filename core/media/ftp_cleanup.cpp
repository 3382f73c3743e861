#include "core/media/ftp_cleanup.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "core/media/ftp_connection.h"
#include "core/media/ftp_context.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_retry.h"

namespace brim {
namespace {

// A short rest before each directory, so that servers that are slow to let
// go of a directory just emptied are not asked too early.
constexpr std::chrono::milliseconds directory_pause{150};

bool stopped(const FtpRetryPolicy* policy) { return policy != nullptr && policy->stop_requested(); }

// Runs a deletion under the retry rule. When the server refused for another
// reason than the network, `still_there` decides the answer.
template <typename Delete, typename StillThere>
bool delete_with_retry(FtpConnection& connection, FtpRetryPolicy* policy, std::uint32_t message, Delete remove,
                       StillThere still_there) {
    try {
        run_with_ftp_retry(policy, connection, message, remove);
        return true;
    } catch (const FtpException& failure) {
        if (is_retryable_ftp_error(failure.error_code()) || stopped(policy)) return false;
    }
    try {
        return !still_there();
    } catch (const FtpException& failure) {
        // The entry cannot be found: gone, unless the network is what failed.
        return !is_retryable_ftp_error(failure.error_code());
    }
}

}  // namespace

bool delete_old_ftp_file(FtpConnection& connection, bk::StringView name, FtpRetryPolicy* policy) {
    return delete_with_retry(
        connection, policy, ftp_message::cannot_delete_file, [&] { connection.delete_file(name); },
        [&] {
            FtpFile probe(connection, name);
            return true;
        });
}

bool delete_ftp_directory_tree(FtpConnection& connection, bk::StringView name, FtpRetryPolicy* policy) {
    std::this_thread::sleep_for(directory_pause);
    std::vector<std::unique_ptr<FtpDirectory>> directories;
    std::vector<std::unique_ptr<FtpFile>> files;
    const FtpDirectory directory(connection, bk::String(name));
    try {
        run_with_ftp_retry(policy, connection, ftp_message::cannot_list, [&] {
            directories.clear();
            files.clear();
            directory.generate_list(directories, files);
        });
    } catch (const FtpException& failure) {
        if (is_retryable_ftp_error(failure.error_code())) return false;
        // Not listable: the removal below tells whether it is there at all.
    }
    for (const auto& child : directories)
        if (stopped(policy) || !delete_ftp_directory_tree(connection, child->get_full_name(), policy)) return false;
    for (const auto& file : files)
        if (stopped(policy) || !delete_old_ftp_file(connection, file->get_full_name(), policy)) return false;
    return delete_with_retry(
        connection, policy, ftp_message::cannot_delete_directory, [&] { connection.remove_directory(name); },
        [&] {
            connection.list_directory(name);
            return true;
        });
}

}  // namespace brim
