#include "core/media/ftp_connection.h"

#include <chrono>

#include "basekit/convertion.h"
#include "basekit/text_format.h"
#include "core/core_strings.h"
#include "core/media/curl_transfer.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"

namespace brim {
namespace {

size_t append_to_string(char* data, size_t size, size_t count, void* text) {
    static_cast<std::string*>(text)->append(data, size * count);
    return size * count;
}

std::int64_t now_micros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// Replies that mean "no such command" rather than "no such directory".
bool is_unknown_command_reply(long code) { return code == 500 || code == 501 || code == 502 || code == 504; }

bk::String without_trailing_slash(bk::String path) {
    while (path.size() > 1 && path.ends_with(u'/')) path.pop_back();
    return path;
}

}  // namespace

FtpConnection::FtpConnection(FtpConnectInfo info) : info_(std::move(info)) {}

FtpConnection::~FtpConnection() = default;

void FtpConnection::set(bk::StringView server, bk::StringView user, bk::StringView password, std::uint16_t port,
                        bool passive) {
    info_ = FtpConnectInfo{bk::String(server), bk::String(user), bk::String(password), port, passive};
}

CurlMulti& FtpConnection::pool() {
    if (!pool_) pool_ = std::make_unique<CurlMulti>();
    return *pool_;
}

void FtpConnection::connect() {
    if (connected_) return;
    if (!ensure_curl_session()) throw FtpException(ftp_message::cannot_initialize);
    CurlTransfer login(*this);
    curl_easy_setopt(login.handle(), CURLOPT_NOBODY, 1L);
    login.start();
    while (!login.done()) login.step(100);
    if (!login.succeeded()) {
        const std::int32_t code = login.error_code();
        const bk::String message =
            bk::format_text(core_string(ftp_message::cannot_connect), {ftp_connect_reason(code)});
        throw FtpException(message, code, login.detail());
    }
    const char* entry_path = nullptr;
    curl_easy_getinfo(login.handle(), CURLINFO_FTP_ENTRY_PATH, &entry_path);
    current_directory_ = entry_path != nullptr && entry_path[0] == '/' ? bk::from_utf8(entry_path) : u"/";
    current_directory_ = without_trailing_slash(current_directory_);
    connected_ = true;
    fresh_connection_ = false;
}

void FtpConnection::close() {
    connected_ = false;
    // Dropping the pool closes its sockets; while a transfer still runs in it
    // the next login asks for a new control connection instead.
    if (pool_ && pool_->running() == 0)
        pool_.reset();
    else if (pool_)
        fresh_connection_ = true;
}

void FtpConnection::reconnect() {
    close();
    connect();
}

void FtpConnection::require_connected(std::uint32_t failure_message) const {
    if (!connected_)
        throw ftp_failure(failure_message, ftp_error::invalid_handle);
}

bk::String FtpConnection::absolute_path(bk::StringView name) const {
    return ftp_absolute_path(current_directory_, ftp_remote_path(name));
}

void FtpConnection::set_current_directory(bk::StringView path) {
    require_connected(ftp_message::cannot_set_directory);
    const bk::String directory = without_trailing_slash(absolute_path(path));
    CurlTransfer change(*this);
    change.set_remote_path(directory, true);
    curl_easy_setopt(change.handle(), CURLOPT_NOBODY, 1L);
    change.run(ftp_message::cannot_set_directory);
    current_directory_ = directory;
}

bk::String FtpConnection::get_working_directory() const {
    require_connected(ftp_message::cannot_get_directory);
    if (current_directory_ == u"/") return info_.server + u"/";
    return ftp_path_join(info_.server, bk::StringView(current_directory_).substr(1));
}

std::string FtpConnection::list_text(const bk::String& directory, bool use_mlsd) {
    std::string text;
    CurlTransfer listing(*this);
    listing.set_remote_path(directory, true);
    if (use_mlsd) curl_easy_setopt(listing.handle(), CURLOPT_CUSTOMREQUEST, "MLSD");
    curl_easy_setopt(listing.handle(), CURLOPT_WRITEFUNCTION, &append_to_string);
    curl_easy_setopt(listing.handle(), CURLOPT_WRITEDATA, &text);
    listing.start();
    while (!listing.done()) listing.step(100);
    if (use_mlsd && !listing.succeeded() && is_unknown_command_reply(listing.response_code())) {
        mlsd_unsupported_ = true;
        return list_text(directory, false);
    }
    listing.check(ftp_message::cannot_list);
    return text;
}

std::vector<FtpListEntry> FtpConnection::list_directory(bk::StringView name) {
    require_connected(ftp_message::cannot_list);
    const bk::String directory = absolute_path(name);
    const bool use_mlsd = !mlsd_unsupported_;
    const std::string text = list_text(directory, use_mlsd);
    if (!mlsd_unsupported_) return parse_mlsd_listing(text);
    return parse_list_listing(text, now_micros());
}

void FtpConnection::run_command(const std::string& command, bk::StringView name, std::uint32_t failure_message) {
    run_commands({{command, name}}, failure_message);
}

void FtpConnection::run_commands(std::initializer_list<std::pair<std::string, bk::StringView>> commands,
                                 std::uint32_t failure_message) {
    require_connected(failure_message);
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> list(nullptr, &curl_slist_free_all);
    for (const auto& [command, name] : commands) {
        const std::string path = bk::to_utf8(absolute_path(name));
        // A line break would end the command early and let the rest of the
        // name be read as another command.
        if (path.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            throw ftp_failure(failure_message, ftp_error::invalid_parameter);
        const std::string line = command + ' ' + path;
        list.reset(curl_slist_append(list.release(), line.c_str()));
    }
    CurlTransfer request(*this);
    curl_easy_setopt(request.handle(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(request.handle(), CURLOPT_QUOTE, list.get());
    request.run(failure_message);
}

void FtpConnection::create_directory(bk::StringView name) {
    run_command("MKD", name, ftp_message::cannot_create_directory);
}

void FtpConnection::remove_directory(bk::StringView name) {
    run_command("RMD", name, ftp_message::cannot_delete_directory);
}

void FtpConnection::delete_file(bk::StringView name) { run_command("DELE", name, ftp_message::cannot_delete_file); }

void FtpConnection::rename(bk::StringView from, bk::StringView to) {
    run_commands({{"RNFR", from}, {"RNTO", to}}, ftp_message::cannot_rename);
}

std::optional<std::int64_t> FtpConnection::modified_time(bk::StringView name) {
    if (!connected_) return std::nullopt;
    CurlTransfer query(*this);
    query.set_remote_path(absolute_path(name), false);
    curl_easy_setopt(query.handle(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(query.handle(), CURLOPT_FILETIME, 1L);
    query.start();
    while (!query.done()) query.step(100);
    curl_off_t seconds = -1;
    if (query.succeeded()) curl_easy_getinfo(query.handle(), CURLINFO_FILETIME_T, &seconds);
    if (seconds < 0) return std::nullopt;
    return static_cast<std::int64_t>(seconds) * 1'000'000;
}

std::int64_t FtpConnection::file_size(bk::StringView name) {
    require_connected(ftp_message::cannot_get_file_info);
    CurlTransfer query(*this);
    query.set_remote_path(absolute_path(name), false);
    curl_easy_setopt(query.handle(), CURLOPT_NOBODY, 1L);
    query.run(ftp_message::cannot_get_file_info);
    curl_off_t size = -1;
    curl_easy_getinfo(query.handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    return size;
}

}  // namespace brim
