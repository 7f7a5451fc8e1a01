#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "dual_protocol_server.h"
#include "server_sockets.h"

namespace zorbit::server {

std::unique_ptr<httplib::Server> makeHttpServer(ssl_ctx_st* tlsContext) {
    return std::make_unique<DualProtocolServer>(tlsContext);
}

void prepareListeningSocket(socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    ::fcntl(sock, F_SETFD, FD_CLOEXEC);
}

}  // namespace zorbit::server
