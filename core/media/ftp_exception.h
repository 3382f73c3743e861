#pragma once
#include <cstdint>

#include "basekit/exception.h"

namespace brim {

// A failure of the FTP client. Besides its message it carries the platform
// error code that caused it (0 when none did), which the network retry rule
// reads, and the server's last reply when there was one.
class FtpException : public bk::Exception {
public:
    // "FTP exception was thrown."
    FtpException();
    // The message is the core string table's entry `id`.
    explicit FtpException(std::uint32_t id, std::int32_t error_code = 0, bk::String detail = {});
    explicit FtpException(bk::String message, std::int32_t error_code = 0, bk::String detail = {});
    // The cause is not owned: whoever throws keeps it alive.
    FtpException(bk::String message, const bk::Exception* cause);

    // The platform error code (see ftp_error.h), 0 when there is none.
    std::int32_t error_code() const { return error_code_; }
    // What the platform or the server said about the failure; may be empty.
    const bk::String& detail() const { return detail_; }

private:
    std::int32_t error_code_ = 0;
    bk::String detail_;
};

// The core message `id` with a platform error code, the error's text as detail.
FtpException ftp_failure(std::uint32_t id, std::int32_t error_code);

}  // namespace brim
