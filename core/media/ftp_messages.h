#pragma once
// Numbers of the FTP client's texts in the core string table.
#include <cstdint>

namespace brim::ftp_message {

inline constexpr std::uint32_t exception_thrown = 260;      // "FTP exception was thrown."
inline constexpr std::uint32_t cannot_initialize = 261;     // the process-wide session failed
inline constexpr std::uint32_t cannot_connect = 262;        // "%s,specified FTP server can't be connected."
inline constexpr std::uint32_t cannot_delete_file = 263;
inline constexpr std::uint32_t cannot_delete_directory = 264;
inline constexpr std::uint32_t cannot_create_directory = 265;
inline constexpr std::uint32_t cannot_set_directory = 266;
inline constexpr std::uint32_t unknown_server = 267;
inline constexpr std::uint32_t cannot_get_directory = 268;
inline constexpr std::uint32_t cannot_list = 269;
inline constexpr std::uint32_t cannot_get_file_info = 270;
inline constexpr std::uint32_t transfer_failed = 271;
inline constexpr std::uint32_t incorrect_parameters = 272;
inline constexpr std::uint32_t cannot_rename = 530;

// Reasons filled into cannot_connect, one per platform error code.
inline constexpr std::uint32_t reason_timeout = 280;
inline constexpr std::uint32_t reason_name_not_resolved = 281;
inline constexpr std::uint32_t reason_protocol_not_found = 282;
inline constexpr std::uint32_t reason_shutdown = 283;
inline constexpr std::uint32_t reason_incorrect_user = 284;
inline constexpr std::uint32_t reason_incorrect_password = 285;
inline constexpr std::uint32_t reason_login_failure = 286;
inline constexpr std::uint32_t reason_cannot_connect = 287;
inline constexpr std::uint32_t reason_aborted = 288;
inline constexpr std::uint32_t reason_reset = 289;
inline constexpr std::uint32_t reason_other = 290;

}  // namespace brim::ftp_message
