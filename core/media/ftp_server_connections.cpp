#include "core/media/ftp_server_connections.h"

#include "core/media/ftp_connection.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_retry.h"

namespace brim {

FtpServerConnections::FtpServerConnections() = default;

FtpServerConnections::~FtpServerConnections() = default;

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
        if (same_ftp_host(connection->get_server_name(), path)) return *connection;
    const FtpConnectInfo* server = nullptr;
    for (const FtpConnectInfo* candidate : servers_) {
        if (same_ftp_host(candidate->server, path)) {
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
