// errno on POSIX, translated into the system's codes in exactly one place.
#include <cerrno>
#include <cstring>
#include <string>

#include "basekit/convertion.h"
#include "basekit/error_code.h"

namespace bk {
namespace {

struct ErrnoMapping {
    int native;
    std::int32_t code;
};

// The first row for a code gives the text shown for that code when its
// original errno is not known any more.
constexpr ErrnoMapping errno_table[] = {
    {ENOENT, error::file_not_found},
    {ENOTDIR, error::path_not_found},
    {EMFILE, error::too_many_open_files},
    {ENFILE, error::too_many_open_files},
    {EACCES, error::access_denied},
    {EPERM, error::access_denied},
    {EISDIR, error::access_denied},
    {EBADF, error::invalid_handle},
    {ENOMEM, error::not_enough_memory},
    {EXDEV, error::not_same_device},
    {EROFS, error::write_protect},
    {ENOMEDIUM, error::not_ready},
    {ETXTBSY, error::sharing_violation},
    {EDEADLK, error::lock_violation},
    {ENOLCK, error::lock_violation},
    {ENOTSUP, error::not_supported},
    {ENOSYS, error::invalid_function},
    {ESTALE, error::network_name_deleted},
    {ENOTCONN, error::network_name_deleted},
    {EREMOTEIO, error::network_name_deleted},
    {ECONNRESET, error::network_name_deleted},
    {EINVAL, error::invalid_parameter},
    {EPIPE, error::broken_pipe},
    {ENOSPC, error::disk_full},
    {EDQUOT, error::disk_full},
    {ETIMEDOUT, error::semaphore_timeout},
    {ESPIPE, error::seek_on_device},
    {ENOTEMPTY, error::dir_not_empty},
    {EBUSY, error::busy},
    {EEXIST, error::already_exists},
    {ENAMETOOLONG, error::filename_exceeds_range},
    {EFBIG, error::file_too_large},
    {ECANCELED, error::operation_aborted},
    {EIO, error::io_device},
    {EMLINK, error::too_many_links},
    {ECONNREFUSED, error::connection_refused},
    {ENETUNREACH, error::network_unreachable},
    {EHOSTUNREACH, error::host_unreachable},
    {ECONNABORTED, error::connection_aborted},
    {ELOOP, error::cant_resolve_filename},
};

thread_local int last_native = 0;
thread_local std::int32_t last_code = 0;

int native_for_code(std::int32_t code) {
    if (code == last_code && last_native != 0) return last_native;
    if ((code & error::native_flag) != 0) return code & ~error::native_flag;
    // A path that is not there reads best as "No such file or directory".
    if (code == error::path_not_found) return ENOENT;
    for (const auto& row : errno_table)
        if (row.code == code) return row.native;
    if (code == error::file_exists) return EEXIST;
    return 0;
}

std::string native_text(int native) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in buffer.
    const char* text = strerror_r(native, buffer, sizeof buffer);
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

std::int32_t error_from_native(int native_error) {
    if (native_error == 0) return error::success;
    for (const auto& row : errno_table)
        if (row.native == native_error) return row.code;
    return error::native_flag | native_error;
}

std::int32_t set_last_native_error(int native_error) {
    last_native = native_error;
    last_code = error_from_native(native_error);
    return last_code;
}

std::int32_t last_error() { return last_code; }

String system_error(StringView prefix, std::int32_t code) {
    String result(prefix);
    const int native = native_for_code(code);
    if (native == 0) return result;
    std::string text = native_text(native);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
    else if (!text.empty() && text.back() == '\n')
        text.pop_back();
    result += from_utf8(text);
    return result;
}

}  // namespace bk
