#pragma once
// The platform error codes of the FTP client. They keep the numbering of the
// Internet functions the system's rules were written against, beside the
// system codes of basekit/error_code.h, so that the retry rule and the
// connect messages can be stated in them.
#include <cstdint>

#include "basekit/types.h"

namespace brim {

namespace ftp_error {
inline constexpr std::int32_t invalid_handle = 6;  // no connection, or it was closed
inline constexpr std::int32_t not_enough_memory = 8;
inline constexpr std::int32_t invalid_parameter = 87;
inline constexpr std::int32_t timeout = 12002;
inline constexpr std::int32_t extended_error = 12003;  // the server refused; its reply says why
inline constexpr std::int32_t internal_error = 12004;
inline constexpr std::int32_t invalid_url = 12005;
inline constexpr std::int32_t name_not_resolved = 12007;
inline constexpr std::int32_t protocol_not_found = 12008;
inline constexpr std::int32_t shutdown = 12012;
inline constexpr std::int32_t incorrect_user_name = 12013;
inline constexpr std::int32_t incorrect_password = 12014;
inline constexpr std::int32_t login_failure = 12015;
inline constexpr std::int32_t operation_cancelled = 12017;
inline constexpr std::int32_t cannot_connect = 12029;
inline constexpr std::int32_t connection_aborted = 12030;
inline constexpr std::int32_t connection_reset = 12031;
inline constexpr std::int32_t ftp_dropped = 12111;
inline constexpr std::int32_t ftp_no_passive_mode = 12112;
}  // namespace ftp_error

// The platform's text for an FTP error code; a generic text for unknown codes.
bk::String ftp_error_text(std::int32_t code);

// The reason filled into the connect-failure message for a code.
bk::String ftp_connect_reason(std::int32_t code);

// True for the network failures the retry rule may retry: a lost handle,
// no connection, an aborted, reset or dropped connection.
bool is_retryable_ftp_error(std::int32_t code);

}  // namespace brim
