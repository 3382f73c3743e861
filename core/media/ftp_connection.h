#pragma once
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "basekit/types.h"
#include "core/media/ftp_connect_info.h"
#include "core/media/ftp_listing.h"

namespace brim {

class CurlMulti;

// One logged-in FTP server. Disconnected until connect(); destroying it
// closes every control connection it holds. It belongs to one thread (the
// session's worker). Not copyable: the connection's sockets have one owner;
// build another FtpConnection from info() for a second one.
//
// Remote names given to it are "ftp://" paths or remote paths; a remote path
// that does not start with "/" is taken relative to the current directory.
// Every operation that needs the server throws FtpException with its own
// message and the platform error 6 (invalid handle) while disconnected.
class FtpConnection final {
public:
    explicit FtpConnection(FtpConnectInfo info);
    ~FtpConnection();
    FtpConnection(const FtpConnection&) = delete;
    FtpConnection& operator=(const FtpConnection&) = delete;

    // Replaces the settings; a connected connection keeps talking to its
    // old server until it reconnects.
    void set(bk::StringView server, bk::StringView user, bk::StringView password, std::uint16_t port,
             bool passive);
    const bk::String& get_server_name() const { return info_.server; }
    const FtpConnectInfo& info() const { return info_; }
    bool is_connected() const { return connected_; }

    // Logs in; nothing when already connected. Throws FtpException "Can't
    // initialize netword." when the network library cannot start, and
    // "%s,specified FTP server can't be connected." filled with the reason
    // (wrong user name, wrong password, time-out, ...) otherwise.
    void connect();
    // Closes the control connections; harmless when not connected.
    void close();
    // close(), then connect().
    void reconnect();

    // Changes the directory relative names start from, after checking that
    // the server can enter it; throws FtpException "Can't set current path on
    // FTP server." otherwise.
    void set_current_directory(bk::StringView path);
    // The server string joined to the current directory ("ftp://host/pub"),
    // or the server string and "/" at the root. Throws FtpException "Can't
    // get current path on specified FTP server." while disconnected.
    bk::String get_working_directory() const;

    // The absolute remote path of a name.
    bk::String absolute_path(bk::StringView name) const;

    // The entries of a remote directory, without "." and "..", read with
    // MLSD, or with LIST when the server does not know MLSD. Throws
    // FtpException "Can't list files and directories on FTP server.".
    std::vector<FtpListEntry> list_directory(bk::StringView name);
    // Throw FtpException with the operation's message when the server refuses.
    void create_directory(bk::StringView name);
    void remove_directory(bk::StringView name);
    void delete_file(bk::StringView name);
    // Gives the file `from` the name `to`, replacing a file of that name
    // where the server allows it (POSIX servers do); throws FtpException
    // "Can't rename the file on FTP server.".
    void rename(bk::StringView from, bk::StringView to);
    // Whether the times of this connection's listings are exact to the
    // second: MLSD's are; LIST gives minutes for recent entries and days
    // for older ones.
    bool listing_times_exact() const { return !mlsd_unsupported_; }
    // The last-modified time the server gives for a file when asked for it
    // alone (MDTM), in microseconds since 1970 UTC; nothing when it does not
    // tell (no such command, no such file, or the request failed).
    std::optional<std::int64_t> modified_time(bk::StringView name);
    // The size the server reports for a file, -1 when it does not tell.
    // Throws FtpException "Can't get size of file on FTP Server.".
    std::int64_t file_size(bk::StringView name);

    // For the transfers of this connection (core/media only).
    CurlMulti& pool();
    bool wants_fresh_connection() const { return fresh_connection_; }
    // Throws FtpException with `failure_message` and error 6 while disconnected.
    void require_connected(std::uint32_t failure_message) const;

private:
    void run_command(const std::string& command, bk::StringView name, std::uint32_t failure_message);
    // Sends the commands, each with its name's absolute path, in one request.
    void run_commands(std::initializer_list<std::pair<std::string, bk::StringView>> commands,
                      std::uint32_t failure_message);
    std::string list_text(const bk::String& directory, bool use_mlsd);

    FtpConnectInfo info_;
    std::unique_ptr<CurlMulti> pool_;
    bool connected_ = false;
    bool fresh_connection_ = false;
    bool mlsd_unsupported_ = false;
    bk::String current_directory_ = u"/";
};

}  // namespace brim
