#include "core/media/ftp_exception.h"

#include "core/core_strings.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_messages.h"

namespace brim {

FtpException::FtpException() : bk::Exception(core_string(ftp_message::exception_thrown)) {}

FtpException::FtpException(std::uint32_t id, std::int32_t error_code, bk::String detail)
    : bk::Exception(core_string(id)), error_code_(error_code), detail_(std::move(detail)) {}

FtpException::FtpException(bk::String message, std::int32_t error_code, bk::String detail)
    : bk::Exception(std::move(message)), error_code_(error_code), detail_(std::move(detail)) {}

FtpException::FtpException(bk::String message, const bk::Exception* cause)
    : bk::Exception(std::move(message), cause) {}

FtpException ftp_failure(std::uint32_t id, std::int32_t error_code) {
    return FtpException(id, error_code, ftp_error_text(error_code));
}

}  // namespace brim
