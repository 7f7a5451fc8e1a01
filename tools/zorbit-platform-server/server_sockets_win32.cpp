// The Windows build serves plain HTTP only (no OpenSSL there). A drop has no
// descriptor table to search, so the server keeps its open connections by
// their ports while it serves them.
#include <httplib.h>

#include <map>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "connection_drop.h"
#include "server_sockets.h"
#include "socket_port.h"

namespace zorbit::server {
namespace {

using Ports = std::pair<int, int>;  // local, remote

Ports portsOf(socket_t sock) {
    sockaddr_storage local{}, remote{};
    int localSize = sizeof local, remoteSize = sizeof remote;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&local), &localSize);
    ::getpeername(sock, reinterpret_cast<sockaddr*>(&remote), &remoteSize);
    return {portOf(local), portOf(remote)};
}

class OpenConnections {
public:
    void add(const Ports& ports, socket_t sock) {
        std::lock_guard<std::mutex> lock(mutex_);
        sockets_[ports] = sock;
    }
    void remove(const Ports& ports) {
        std::lock_guard<std::mutex> lock(mutex_);
        sockets_.erase(ports);
    }
    bool shutDown(const Ports& ports) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = sockets_.find(ports);
        if (found == sockets_.end()) return false;
        // The library still owns the socket and closes it after the handler.
        ::shutdown(found->second, SD_BOTH);
        return true;
    }

private:
    std::mutex mutex_;
    std::map<Ports, socket_t> sockets_;
};

OpenConnections& openConnections() {
    static OpenConnections* const connections = new OpenConnections;
    return *connections;
}

// Whether the client opened with a TLS handshake (see kTlsHandshake).
bool opensWithTls(socket_t sock) {
    char first = 0;
    return httplib::detail::select_read(sock, 5, 0) > 0 && ::recv(sock, &first, 1, MSG_PEEK) == 1 &&
           static_cast<unsigned char>(first) == kTlsHandshake;
}

// The library's own connection loop, with the connection known by its ports
// while it is served.
class TrackedServer final : public httplib::Server {
    bool process_and_close_socket(socket_t sock) override {
        if (opensWithTls(sock)) {
            httplib::detail::shutdown_socket(sock);
            httplib::detail::close_socket(sock);
            return false;
        }
        const Ports ports = portsOf(sock);
        openConnections().add(ports, sock);
        const bool served = httplib::detail::process_server_socket(
            svr_sock_, sock, keep_alive_max_count_, keep_alive_timeout_sec_, read_timeout_sec_,
            read_timeout_usec_, write_timeout_sec_, write_timeout_usec_,
            [this](httplib::Stream& stream, bool closeConnection, bool& connectionClosed) {
                return process_request(stream, closeConnection, connectionClosed, nullptr);
            });
        openConnections().remove(ports);
        httplib::detail::shutdown_socket(sock);
        httplib::detail::close_socket(sock);
        return served;
    }
};

}  // namespace

std::unique_ptr<httplib::Server> makeHttpServer(ssl_ctx_st* tlsContext) {
    if (tlsContext) throw std::runtime_error("the Windows build serves plain HTTP only");
    return std::make_unique<TrackedServer>();
}

void prepareListeningSocket(socket_t sock) {
    // Windows lets SO_REUSEADDR take over a bound port; this keeps it ours.
    BOOL yes = TRUE;
    ::setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
                 sizeof yes);
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
    ::SetHandleInformation(reinterpret_cast<HANDLE>(sock), HANDLE_FLAG_INHERIT, 0);
}

bool dropConnection(int localPort, int remotePort) {
    return openConnections().shutDown({localPort, remotePort});
}

}  // namespace zorbit::server
