#pragma once
// libcurl's results translated into the FTP client's platform error codes,
// in one table.
#include <cstdint>
#include <string_view>

namespace brim {

// `code` is a CURLcode; `last_command` the first word of the last command
// sent to the server (it tells a refused user name from a refused password);
// `os_error` the errno libcurl saw, 0 when none.
std::int32_t ftp_error_from_curl(int code, std::string_view last_command, int os_error);

}  // namespace brim
