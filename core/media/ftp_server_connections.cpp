#include "core/media/ftp_server_connections.h"

#include "core/media/ftp_connection.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_retry.h"

namespace brim {

FtpServerConnections::FtpServerConnections() = default;

FtpServerConnections::~FtpServerConnections() = default;

bool names_server(const FtpConnectInfo& server, bk::StringView path) {
    const FtpEndpoint wanted = ftp_endpoint(path);
    const FtpEndpoint known = ftp_endpoint(server.server);
    if (!same_ftp_host(known.host, wanted.host)) return false;
    return wanted.port == 0 || wanted.port == (known.port != 0 ? known.port : server.port);
}

bool names_any_server(const std::vector<FtpConnectInfo>& servers, bk::StringView path) {
    for (const FtpConnectInfo& server : servers)
        if (names_server(server, path)) return true;
    return false;
}

void FtpServerConnections::set_servers(std::vector<const FtpConnectInfo*> servers) { servers_ = std::move(servers); }

void FtpServerConnections::add_servers(const std::vector<const FtpConnectInfo*>& servers) {
    for (const FtpConnectInfo* server : servers) {
        bool known = false;
        for (const FtpConnectInfo* existing : servers_) known = known || existing->server == server->server;
        if (!known) servers_.push_back(server);
    }
}

FtpConnection& FtpServerConnections::connection_for(bk::StringView path, FtpRetryPolicy* policy) {
    for (const auto& connection : connections_)
        if (names_server(connection->info(), path)) return *connection;
    const FtpConnectInfo* server = nullptr;
    for (const FtpConnectInfo* candidate : servers_) {
        if (names_server(*candidate, path)) {
            server = candidate;
            break;
        }
    }
    if (server == nullptr) throw FtpException(ftp_message::unknown_server);
    auto connection = std::make_unique<FtpConnection>(*server);
    try {
        connection->connect();
    } catch (const FtpException& failure) {
        FtpRetry retry(policy, *connection);
        if (!retry.prepare_next_attempt(failure.error_code())) throw;
    }
    connections_.push_back(std::move(connection));
    return *connections_.back();
}

}  // namespace brim
