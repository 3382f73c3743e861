#pragma once
// The system's platform error codes. They keep the Windows numbering because
// the retry and abort rules of the engine are written in these numbers; the
// platform layer translates its native errors into them in one table.
#include <cstdint>

#include "basekit/types.h"

namespace bk {

namespace error {
inline constexpr std::int32_t success = 0;
inline constexpr std::int32_t invalid_function = 1;
inline constexpr std::int32_t file_not_found = 2;
inline constexpr std::int32_t path_not_found = 3;
inline constexpr std::int32_t too_many_open_files = 4;
inline constexpr std::int32_t access_denied = 5;
inline constexpr std::int32_t invalid_handle = 6;
inline constexpr std::int32_t not_enough_memory = 8;
inline constexpr std::int32_t invalid_data = 13;
inline constexpr std::int32_t not_same_device = 17;
inline constexpr std::int32_t write_protect = 19;
inline constexpr std::int32_t not_ready = 21;
inline constexpr std::int32_t sharing_violation = 32;
inline constexpr std::int32_t lock_violation = 33;
inline constexpr std::int32_t handle_eof = 38;
inline constexpr std::int32_t not_supported = 50;
inline constexpr std::int32_t network_name_deleted = 64;
inline constexpr std::int32_t file_exists = 80;
inline constexpr std::int32_t invalid_parameter = 87;
inline constexpr std::int32_t broken_pipe = 109;
inline constexpr std::int32_t disk_full = 112;
inline constexpr std::int32_t semaphore_timeout = 121;
inline constexpr std::int32_t negative_seek = 131;
inline constexpr std::int32_t seek_on_device = 132;
inline constexpr std::int32_t dir_not_empty = 145;
inline constexpr std::int32_t busy = 170;
inline constexpr std::int32_t already_exists = 183;
inline constexpr std::int32_t filename_exceeds_range = 206;
inline constexpr std::int32_t file_too_large = 223;
inline constexpr std::int32_t operation_aborted = 995;
inline constexpr std::int32_t io_device = 1117;
inline constexpr std::int32_t too_many_links = 1142;
inline constexpr std::int32_t cancelled = 1223;
inline constexpr std::int32_t connection_refused = 1225;
inline constexpr std::int32_t network_unreachable = 1231;
inline constexpr std::int32_t host_unreachable = 1232;
inline constexpr std::int32_t connection_aborted = 1236;
inline constexpr std::int32_t cant_resolve_filename = 1921;
// A native error without a counterpart above: this bit plus the native number.
inline constexpr std::int32_t native_flag = 0x20000000;
}  // namespace error

// The system's code for a native error number (errno on POSIX).
std::int32_t error_from_native(int native_error);

// Records the native error of a failed platform call for this thread and
// returns its system code. The text of the error (see system_error) is the
// platform's own message for that native error.
std::int32_t set_last_native_error(int native_error);

// The system code of this thread's last failed platform call.
std::int32_t last_error();

// prefix followed by the platform's message for the system code, without a
// trailing line break; the prefix alone when the platform has no text for it.
String system_error(StringView prefix, std::int32_t code);

}  // namespace bk
