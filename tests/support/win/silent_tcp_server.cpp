#include "support/silent_tcp_server.h"

#include <winsock2.h>
// After winsock2.h:
#include <ws2tcpip.h>

#include <stdexcept>

namespace {

SOCKET socketOf(int handle) {
    return static_cast<SOCKET>(handle);
}

}  // namespace

// Sockets are SOCKETs here; the header keeps them as ints (their values fit).
SilentTcpServer::SilentTcpServer() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        throw std::runtime_error("silent server: winsock");
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) throw std::runtime_error("silent server: socket");
    listener_ = static_cast<int>(listener);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::closesocket(listener);
        throw std::runtime_error("silent server: bind");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { acceptLoop(); });
}

SilentTcpServer::~SilentTcpServer() {
    stopping_ = true;
    thread_.join();
    for (int connection : connections_) ::closesocket(socketOf(connection));
    ::closesocket(socketOf(listener_));
    ::WSACleanup();
}

void SilentTcpServer::acceptLoop() {
    while (!stopping_) {
        WSAPOLLFD waiting{socketOf(listener_), POLLRDNORM, 0};
        if (::WSAPoll(&waiting, 1, 20) <= 0) continue;
        const SOCKET connection = ::accept(socketOf(listener_), nullptr, nullptr);
        if (connection == INVALID_SOCKET) continue;
        connections_.push_back(static_cast<int>(connection));  // held open, never read or written
        ++accepted_;
    }
}
