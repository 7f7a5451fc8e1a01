#include "support/silent_tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

SilentTcpServer::SilentTcpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("silent server: socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(listener_);
        throw std::runtime_error("silent server: bind");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { acceptLoop(); });
}

SilentTcpServer::~SilentTcpServer() {
    stopping_ = true;
    thread_.join();
    for (int connection : connections_) ::close(connection);
    ::close(listener_);
}

void SilentTcpServer::acceptLoop() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0) continue;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        connections_.push_back(connection);  // held open, never read or written
        ++accepted_;
    }
}
