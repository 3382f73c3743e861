#include "core/media/ftp_error.h"

#include "core/core_strings.h"
#include "core/media/ftp_messages.h"

namespace brim {
namespace {

struct CodeText {
    std::int32_t code;
    const char16_t* text;
};

// The texts the platform shows for its FTP errors.
constexpr CodeText error_texts[] = {
    {ftp_error::invalid_handle, u"The handle is invalid."},
    {ftp_error::not_enough_memory, u"Not enough memory is available to complete the operation."},
    {ftp_error::invalid_parameter, u"The parameter is incorrect."},
    {ftp_error::timeout, u"The operation timed out."},
    {ftp_error::extended_error, u"The server returned extended information."},
    {ftp_error::internal_error, u"An internal error occurred."},
    {ftp_error::invalid_url, u"The URL is invalid."},
    {ftp_error::name_not_resolved, u"The server name or address could not be resolved."},
    {ftp_error::protocol_not_found, u"The requested protocol could not be located."},
    {ftp_error::shutdown, u"The network support is being shut down."},
    {ftp_error::incorrect_user_name, u"The request to connect and log on to an FTP server could not be completed because the supplied user name is incorrect."},
    {ftp_error::incorrect_password, u"The request to connect and log on to an FTP server could not be completed because the supplied password is incorrect."},
    {ftp_error::login_failure, u"The request to connect to and log on to an FTP server failed."},
    {ftp_error::operation_cancelled, u"The operation was canceled."},
    {ftp_error::cannot_connect, u"A connection with the server could not be established."},
    {ftp_error::connection_aborted, u"The connection with the server was terminated abnormally."},
    {ftp_error::connection_reset, u"The connection with the server was reset."},
    {ftp_error::ftp_dropped, u"The FTP operation was not completed because the session was aborted."},
    {ftp_error::ftp_no_passive_mode, u"Passive mode is not available on the server."},
};

struct CodeReason {
    std::int32_t code;
    std::uint32_t message;
};

constexpr CodeReason connect_reasons[] = {
    {ftp_error::timeout, ftp_message::reason_timeout},
    {ftp_error::name_not_resolved, ftp_message::reason_name_not_resolved},
    {ftp_error::protocol_not_found, ftp_message::reason_protocol_not_found},
    {ftp_error::shutdown, ftp_message::reason_shutdown},
    {ftp_error::incorrect_user_name, ftp_message::reason_incorrect_user},
    {ftp_error::incorrect_password, ftp_message::reason_incorrect_password},
    {ftp_error::login_failure, ftp_message::reason_login_failure},
    {ftp_error::cannot_connect, ftp_message::reason_cannot_connect},
    {ftp_error::connection_aborted, ftp_message::reason_aborted},
    {ftp_error::connection_reset, ftp_message::reason_reset},
};

}  // namespace

bk::String ftp_error_text(std::int32_t code) {
    for (const auto& row : error_texts)
        if (row.code == code) return row.text;
    return u"An error occurred while talking to the FTP server.";
}

bk::String ftp_connect_reason(std::int32_t code) {
    for (const auto& row : connect_reasons)
        if (row.code == code) return core_string(row.message);
    return core_string(ftp_message::reason_other);
}

bool is_retryable_ftp_error(std::int32_t code) {
    switch (code) {
    case ftp_error::invalid_handle:
    case ftp_error::cannot_connect:
    case ftp_error::connection_aborted:
    case ftp_error::connection_reset:
    case ftp_error::ftp_dropped:
        return true;
    default:
        return false;
    }
}

}  // namespace brim
