#include "core/media/curl_error.h"

#include <curl/curl.h>

#include <cerrno>

#include "core/media/ftp_error.h"

namespace brim {
namespace {

struct CurlMapping {
    CURLcode curl;
    std::int32_t code;
};

constexpr CurlMapping curl_table[] = {
    {CURLE_OK, 0},
    {CURLE_UNSUPPORTED_PROTOCOL, ftp_error::protocol_not_found},
    {CURLE_FAILED_INIT, ftp_error::internal_error},
    {CURLE_URL_MALFORMAT, ftp_error::invalid_url},
    {CURLE_COULDNT_RESOLVE_PROXY, ftp_error::name_not_resolved},
    {CURLE_COULDNT_RESOLVE_HOST, ftp_error::name_not_resolved},
    {CURLE_COULDNT_CONNECT, ftp_error::cannot_connect},
    {CURLE_WEIRD_SERVER_REPLY, ftp_error::extended_error},
    {CURLE_REMOTE_ACCESS_DENIED, ftp_error::extended_error},
    {CURLE_FTP_ACCEPT_FAILED, ftp_error::cannot_connect},
    {CURLE_FTP_WEIRD_PASS_REPLY, ftp_error::login_failure},
    {CURLE_FTP_ACCEPT_TIMEOUT, ftp_error::timeout},
    {CURLE_FTP_WEIRD_PASV_REPLY, ftp_error::ftp_no_passive_mode},
    {CURLE_FTP_WEIRD_227_FORMAT, ftp_error::ftp_no_passive_mode},
    {CURLE_FTP_CANT_GET_HOST, ftp_error::ftp_no_passive_mode},
    {CURLE_FTP_COULDNT_SET_TYPE, ftp_error::extended_error},
    {CURLE_PARTIAL_FILE, ftp_error::ftp_dropped},
    {CURLE_FTP_COULDNT_RETR_FILE, ftp_error::extended_error},
    {CURLE_QUOTE_ERROR, ftp_error::extended_error},
    {CURLE_WRITE_ERROR, ftp_error::operation_cancelled},
    {CURLE_UPLOAD_FAILED, ftp_error::extended_error},
    {CURLE_READ_ERROR, ftp_error::operation_cancelled},
    {CURLE_OUT_OF_MEMORY, ftp_error::not_enough_memory},
    {CURLE_OPERATION_TIMEDOUT, ftp_error::timeout},
    {CURLE_FTP_PORT_FAILED, ftp_error::cannot_connect},
    {CURLE_FTP_COULDNT_USE_REST, ftp_error::extended_error},
    {CURLE_RANGE_ERROR, ftp_error::extended_error},
    {CURLE_BAD_DOWNLOAD_RESUME, ftp_error::extended_error},
    {CURLE_ABORTED_BY_CALLBACK, ftp_error::operation_cancelled},
    {CURLE_BAD_FUNCTION_ARGUMENT, ftp_error::invalid_parameter},
    {CURLE_INTERFACE_FAILED, ftp_error::cannot_connect},
    {CURLE_GOT_NOTHING, ftp_error::ftp_dropped},
    {CURLE_SEND_ERROR, ftp_error::connection_reset},
    {CURLE_RECV_ERROR, ftp_error::connection_reset},
    {CURLE_SEND_FAIL_REWIND, ftp_error::connection_reset},
    {CURLE_REMOTE_FILE_NOT_FOUND, ftp_error::extended_error},
    {CURLE_REMOTE_DISK_FULL, ftp_error::extended_error},
    {CURLE_REMOTE_FILE_EXISTS, ftp_error::extended_error},
    {CURLE_FTP_PRET_FAILED, ftp_error::extended_error},
    {CURLE_FTP_BAD_FILE_LIST, ftp_error::extended_error},
    {CURLE_LOGIN_DENIED, ftp_error::login_failure},
};

}  // namespace

std::int32_t ftp_error_from_curl(int code, std::string_view last_command, int os_error) {
    const auto curl = static_cast<CURLcode>(code);
    if (curl == CURLE_LOGIN_DENIED) {
        if (last_command == "USER") return ftp_error::incorrect_user_name;
        if (last_command == "PASS") return ftp_error::incorrect_password;
        return ftp_error::login_failure;
    }
    if ((curl == CURLE_SEND_ERROR || curl == CURLE_RECV_ERROR) && (os_error == EPIPE || os_error == ECONNABORTED))
        return ftp_error::connection_aborted;
    for (const auto& row : curl_table)
        if (row.curl == curl) return row.code;
    return ftp_error::internal_error;
}

}  // namespace brim
