#pragma once
// The FTP servers a run knows and the connections it opened to them, found
// by the host of an "ftp://" path. The backup session keeps one of these.
#include <memory>
#include <vector>

#include "basekit/types.h"
#include "core/media/ftp_connect_info.h"

namespace brim {

class FtpConnection;
class FtpRetryPolicy;

// Whether `path` names `server`: the same host, ignoring case, whether or
// not either writes a port, and the server's port when the path writes one.
bool names_server(const FtpConnectInfo& server, bk::StringView path);
// Whether one of `servers` is named by `path`.
bool names_any_server(const std::vector<FtpConnectInfo>& servers, bk::StringView path);

class FtpServerConnections final {
public:
    FtpServerConnections();
    ~FtpServerConnections();
    FtpServerConnections(const FtpServerConnections&) = delete;
    FtpServerConnections& operator=(const FtpServerConnections&) = delete;

    // Replaces the known servers (not owned; they must outlive this).
    void set_servers(std::vector<const FtpConnectInfo*> servers);
    // Appends each server whose server string (compared exactly) is not
    // known yet.
    void add_servers(const std::vector<const FtpConnectInfo*>& servers);

    // The connection for the host of `path`: one already open to that host
    // (ignoring case and any "ftp://"), else a new one to the first known
    // server of that host, connected under the retry rule and kept (owned
    // here until destruction). Throws FtpException "Unknown FTP server,can't
    // connect to FTP server." for an unknown host, and the connect failure
    // when connecting fails for good.
    FtpConnection& connection_for(bk::StringView path, FtpRetryPolicy* policy);

private:
    std::vector<const FtpConnectInfo*> servers_;
    std::vector<std::unique_ptr<FtpConnection>> connections_;
};

}  // namespace brim
