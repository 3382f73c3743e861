#include "core/media/ftp_error.h"

#include <curl/curl.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "core/media/curl_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"

namespace brim {
namespace {

TEST(FtpError, LoginRefusalsTellTheStepThatFailed) {
    EXPECT_EQ(ftp_error_from_curl(CURLE_LOGIN_DENIED, "USER", 0), ftp_error::incorrect_user_name);
    EXPECT_EQ(ftp_error_from_curl(CURLE_LOGIN_DENIED, "PASS", 0), ftp_error::incorrect_password);
    EXPECT_EQ(ftp_error_from_curl(CURLE_LOGIN_DENIED, "ACCT", 0), ftp_error::login_failure);
}

TEST(FtpError, NetworkFailuresMapToTheRetryableCodes) {
    struct Case {
        CURLcode curl;
        int os_error;
        std::int32_t code;
        bool retryable;
    };
    const Case cases[] = {
        {CURLE_COULDNT_CONNECT, ECONNREFUSED, ftp_error::cannot_connect, true},
        {CURLE_RECV_ERROR, ECONNRESET, ftp_error::connection_reset, true},
        {CURLE_SEND_ERROR, EPIPE, ftp_error::connection_aborted, true},
        {CURLE_PARTIAL_FILE, 0, ftp_error::ftp_dropped, true},
        {CURLE_GOT_NOTHING, 0, ftp_error::ftp_dropped, true},
        {CURLE_OPERATION_TIMEDOUT, 0, ftp_error::timeout, false},
        {CURLE_COULDNT_RESOLVE_HOST, 0, ftp_error::name_not_resolved, false},
        {CURLE_REMOTE_FILE_NOT_FOUND, 0, ftp_error::extended_error, false},
        {CURLE_QUOTE_ERROR, 0, ftp_error::extended_error, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(curl_easy_strerror(c.curl));
        const std::int32_t code = ftp_error_from_curl(c.curl, "RETR", c.os_error);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(is_retryable_ftp_error(code), c.retryable);
    }
    EXPECT_TRUE(is_retryable_ftp_error(ftp_error::invalid_handle));
    EXPECT_EQ(ftp_error_from_curl(CURLE_OK, "", 0), 0);
}

TEST(FtpError, ConnectReasonsAndMessagesComeFromTheStringTable) {
    EXPECT_EQ(ftp_connect_reason(ftp_error::incorrect_password), u"Incorrect password");
    EXPECT_EQ(ftp_connect_reason(ftp_error::cannot_connect), u"Connection failed");
    EXPECT_EQ(ftp_connect_reason(ftp_error::ftp_dropped), u"Errors while accessing to server");
    EXPECT_EQ(FtpException().message(), u"FTP exception was thrown.");
    EXPECT_EQ(FtpException(ftp_message::unknown_server).message(), u"Unknown FTP server,can't connect to FTP server.");
    EXPECT_FALSE(ftp_error_text(ftp_error::connection_reset).empty());
}

}  // namespace
}  // namespace brim
