#pragma once
// The libcurl machinery under the FTP client; nothing outside core/media
// includes this header. Each FtpConnection owns one CurlMulti, whose pool
// holds its control connections; every request (a login, a listing, a
// command, a file transfer) is one CurlTransfer driven inside that pool, so
// requests of one connection reuse its logged-in control connection.
// Everything here runs on the connection's thread.
#include <curl/curl.h>

#include <cstdint>
#include <string>

#include "basekit/types.h"

namespace brim {

class FtpConnection;
class CurlTransfer;

// Process-wide set-up of libcurl, done once on first use; false when it
// failed.
bool ensure_curl_session();

class CurlMulti final {
public:
    CurlMulti();
    ~CurlMulti();
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    void add(CurlTransfer& transfer);
    void remove(CurlTransfer& transfer);
    // Moves every running transfer on, then waits up to `wait_ms` for
    // network activity. Transfers that ended are told their result and leave.
    void drive(int wait_ms);
    int running() const { return running_; }

private:
    CURLM* multi_;
    int running_ = 0;
};

class CurlTransfer final {
public:
    // An easy handle set up with the connection's server, account, mode and
    // time-outs; callbacks and the request are set by the caller.
    explicit CurlTransfer(FtpConnection& connection);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    CURL* handle() const { return easy_; }
    // The request's target: a file, or with `directory` a directory, by its
    // absolute remote path.
    void set_remote_path(bk::StringView absolute_path, bool directory);

    // Joins the connection's pool; the transfer then moves whenever the pool
    // is driven.
    void start();
    // Drives the pool once; see CurlMulti::drive.
    void step(int wait_ms);
    bool started() const { return started_; }
    bool done() const { return done_; }
    // Starts the request and drives it to its end; throws FtpException with
    // the core message `failure_message` and the mapped error when it failed.
    void run(std::uint32_t failure_message);
    // Throws as run() does when the ended transfer failed.
    void check(std::uint32_t failure_message) const;
    // Lets a paused transfer go on.
    void resume();

    bool succeeded() const { return done_ && result_ == CURLE_OK; }
    // The platform error of the ended transfer, 0 after success.
    std::int32_t error_code() const;
    // libcurl's and the server's words about the failure.
    bk::String detail() const;
    // The code of the server's last reply, 0 when there was none.
    long response_code() const;

    // Called by the pool when the transfer ended.
    void finished(CURLcode result);

private:
    static int on_debug(CURL*, curl_infotype type, char* data, size_t size, void* self);

    FtpConnection& connection_;
    CURL* easy_;
    bool started_ = false;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
    std::string url_;
    std::string last_command_;
    std::string last_reply_;
    char error_buffer_[CURL_ERROR_SIZE] = {};
};

}  // namespace brim
