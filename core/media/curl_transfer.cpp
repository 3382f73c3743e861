#include "core/media/curl_transfer.h"

#include <cstring>

#include "basekit/convertion.h"
#include "core/media/curl_error.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_path.h"

namespace brim {
namespace {

constexpr long connect_timeout_seconds = 30;
constexpr long response_timeout_seconds = 120;
constexpr long transfer_buffer_bytes = 64 * 1024;

// Every byte outside the unreserved set travels percent-encoded, so names
// with blanks, '#', '?', '%' or non-ASCII letters reach the server intact.
void append_escaped(std::string& url, std::string_view bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '.' || byte == '_' || byte == '~') {
            url += c;
        } else {
            url += '%';
            url += hex[byte >> 4];
            url += hex[byte & 0xF];
        }
    }
}

std::string server_url(const FtpConnectInfo& info) {
    const std::string host = bk::to_utf8(ftp_host(info.server));
    std::string url = "ftp://";
    if (host.find(':') != std::string::npos && !host.starts_with('['))
        url += '[' + host + ']';
    else
        url += host;
    url += ':' + std::to_string(info.port) + '/';
    return url;
}

// Header-only requests would otherwise print the reply's facts to stdout.
size_t discard(char*, size_t size, size_t count, void*) { return size * count; }

std::string first_word(const char* data, size_t size) {
    std::string_view text(data, size);
    return std::string(text.substr(0, text.find_first_of(" \r\n")));
}

}  // namespace

bool ensure_curl_session() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

CurlMulti::CurlMulti() : multi_(curl_multi_init()) {}

CurlMulti::~CurlMulti() { curl_multi_cleanup(multi_); }

void CurlMulti::add(CurlTransfer& transfer) {
    if (curl_multi_add_handle(multi_, transfer.handle()) == CURLM_OK) ++running_;
}

void CurlMulti::remove(CurlTransfer& transfer) {
    if (curl_multi_remove_handle(multi_, transfer.handle()) == CURLM_OK) --running_;
}

void CurlMulti::drive(int wait_ms) {
    int still_running = 0;
    curl_multi_perform(multi_, &still_running);
    int left = 0;
    bool any_finished = false;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        CurlTransfer* transfer = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
        const CURLcode result = message->data.result;
        remove(*transfer);
        transfer->finished(result);
        any_finished = true;
    }
    if (!any_finished && still_running > 0) curl_multi_poll(multi_, nullptr, 0, wait_ms, nullptr);
}

CurlTransfer::CurlTransfer(FtpConnection& connection) : connection_(connection), easy_(curl_easy_init()) {
    if (easy_ == nullptr) throw FtpException(bk::String(u"libcurl could not create a transfer"), 0);
    const FtpConnectInfo& info = connection.info();
    curl_easy_setopt(easy_, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, error_buffer_);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &discard);
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, connect_timeout_seconds);
    curl_easy_setopt(easy_, CURLOPT_FTP_RESPONSE_TIMEOUT, response_timeout_seconds);
    curl_easy_setopt(easy_, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, transfer_buffer_bytes);
    curl_easy_setopt(easy_, CURLOPT_UPLOAD_BUFFERSIZE, transfer_buffer_bytes);
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    // The login is needed to tell a refused user name from a refused
    // password, and the server's last reply explains a refusal.
    curl_easy_setopt(easy_, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy_, CURLOPT_DEBUGFUNCTION, &CurlTransfer::on_debug);
    curl_easy_setopt(easy_, CURLOPT_DEBUGDATA, this);
    if (!info.user.empty()) {
        curl_easy_setopt(easy_, CURLOPT_USERNAME, bk::to_utf8(info.user).c_str());
        if (!info.password.empty()) curl_easy_setopt(easy_, CURLOPT_PASSWORD, bk::to_utf8(info.password).c_str());
    }
    if (!info.passive) curl_easy_setopt(easy_, CURLOPT_FTPPORT, "-");
    if (connection.wants_fresh_connection()) curl_easy_setopt(easy_, CURLOPT_FRESH_CONNECT, 1L);
    url_ = server_url(info);
    curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str());
}

CurlTransfer::~CurlTransfer() {
    if (started_ && !done_) connection_.pool().remove(*this);
    curl_easy_cleanup(easy_);
}

void CurlTransfer::set_remote_path(bk::StringView absolute_path, bool directory) {
    url_ = server_url(connection_.info());
    // "%2F" makes the path absolute rather than relative to the login directory.
    url_ += "%2F";
    const std::string bytes = bk::to_utf8(absolute_path);
    std::string_view rest(bytes);
    while (rest.starts_with('/')) rest.remove_prefix(1);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        append_escaped(url_, rest.substr(0, slash));
        if (slash == std::string_view::npos) break;
        url_ += '/';
        rest.remove_prefix(slash + 1);
    }
    if (directory && !url_.ends_with('/')) url_ += '/';
    curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str());
}

void CurlTransfer::start() {
    started_ = true;
    done_ = false;
    result_ = CURLE_OK;
    error_buffer_[0] = '\0';
    connection_.pool().add(*this);
}

void CurlTransfer::step(int wait_ms) { connection_.pool().drive(wait_ms); }

void CurlTransfer::run(std::uint32_t failure_message) {
    start();
    while (!done_) step(100);
    check(failure_message);
}

void CurlTransfer::check(std::uint32_t failure_message) const {
    if (!succeeded()) throw FtpException(failure_message, error_code(), detail());
}

void CurlTransfer::resume() { curl_easy_pause(easy_, CURLPAUSE_CONT); }

std::int32_t CurlTransfer::error_code() const {
    if (result_ == CURLE_OK) return 0;
    long os_error = 0;
    curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &os_error);
    return ftp_error_from_curl(result_, last_command_, static_cast<int>(os_error));
}

bk::String CurlTransfer::detail() const {
    std::string text = error_buffer_[0] != '\0' ? std::string(error_buffer_) : curl_easy_strerror(result_);
    if (!last_reply_.empty()) text += " (" + last_reply_ + ")";
    return bk::from_utf8(text);
}

long CurlTransfer::response_code() const {
    long code = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

void CurlTransfer::finished(CURLcode result) {
    done_ = true;
    result_ = result;
}

int CurlTransfer::on_debug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    if (type == CURLINFO_HEADER_OUT) {
        transfer->last_command_ = first_word(data, size);
    } else if (type == CURLINFO_HEADER_IN) {
        std::string line(data, size);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        transfer->last_reply_ = std::move(line);
    }
    return 0;
}

}  // namespace brim
