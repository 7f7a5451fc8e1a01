#include "dual_protocol_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "server_sockets.h"

namespace zorbit::server {
namespace {

constexpr int kTimeoutMs = 5000;  // the library's default read and write time-outs

bool waitFor(int sock, short events, int timeoutMs) {
    pollfd entry{sock, events, 0};
    return ::poll(&entry, 1, timeoutMs) > 0 && !(entry.revents & POLLNVAL);
}

void addressOf(int sock, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    const int result = peer ? ::getpeername(sock, reinterpret_cast<sockaddr*>(&address), &size)
                            : ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &size);
    if (result != 0) return;
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

class SocketStreamBase : public httplib::Stream {
public:
    explicit SocketStreamBase(int sock) : sock_(sock) {}
    bool is_readable() const override { return waitFor(sock_, POLLIN, kTimeoutMs); }
    bool is_writable() const override { return waitFor(sock_, POLLOUT, kTimeoutMs); }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        addressOf(sock_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        addressOf(sock_, false, ip, port);
    }
    socket_t socket() const override { return sock_; }

protected:
    int sock_;
};

// Reads through a buffer: the library reads request lines a byte at a time.
class PlainStream final : public SocketStreamBase {
public:
    using SocketStreamBase::SocketStreamBase;
    bool hasBuffered() const { return begin_ < end_; }
    bool is_readable() const override { return hasBuffered() || SocketStreamBase::is_readable(); }
    ssize_t read(char* data, size_t size) override {
        if (!hasBuffered()) {
            if (!SocketStreamBase::is_readable()) return -1;
            const ssize_t got = ::recv(sock_, buffer_, sizeof buffer_, 0);
            if (got <= 0) return got;
            begin_ = 0;
            end_ = static_cast<size_t>(got);
        }
        const size_t n = std::min(size, end_ - begin_);
        std::memcpy(data, buffer_ + begin_, n);
        begin_ += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t write(const char* data, size_t size) override {
        if (!is_writable()) return -1;
        return ::send(sock_, data, size, MSG_NOSIGNAL);
    }

private:
    char buffer_[4096];
    size_t begin_ = 0;
    size_t end_ = 0;
};

class TlsStream final : public SocketStreamBase {
public:
    TlsStream(int sock, SSL* ssl) : SocketStreamBase(sock), ssl_(ssl) {}
    bool is_readable() const override {
        return SSL_pending(ssl_) > 0 || SocketStreamBase::is_readable();
    }
    ssize_t read(char* data, size_t size) override {
        if (!is_readable()) return -1;
        const int got = SSL_read(ssl_, data, static_cast<int>(size));
        if (got > 0) return got;
        return SSL_get_error(ssl_, got) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
    }
    ssize_t write(const char* data, size_t size) override {
        if (!is_writable()) return -1;
        const int sent = SSL_write(ssl_, data, static_cast<int>(size));
        return sent > 0 ? sent : -1;
    }

private:
    SSL* ssl_;
};

void setTimeouts(int sock) {
    timeval timeout{kTimeoutMs / 1000, 0};
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

}  // namespace

// Like the library's own loop: requests on one connection while it is kept alive.
bool DualProtocolServer::serve(httplib::Stream& stream, void* ssl,
                               const std::function<bool()>& hasBuffered) {
    bool served = false;
    const int keepAliveMs = static_cast<int>(keep_alive_timeout_sec_ * 1000);
    for (size_t count = keep_alive_max_count_; count > 0 && svr_sock_ != INVALID_SOCKET; --count) {
        if (!hasBuffered() && !waitFor(stream.socket(), POLLIN, keepAliveMs)) break;
        bool closed = false;
        served = process_request(stream, count == 1, closed, [ssl](httplib::Request& request) {
            request.ssl = static_cast<const SSL*>(ssl);
        });
        if (!served || closed) break;
    }
    return served;
}

bool DualProtocolServer::process_and_close_socket(socket_t sock) {
    setTimeouts(sock);
    unsigned char first = 0;
    bool served = false;
    if (waitFor(sock, POLLIN, kTimeoutMs) && ::recv(sock, &first, 1, MSG_PEEK) == 1) {
        if (first != kTlsHandshake) {
            PlainStream stream(sock);
            served = serve(stream, nullptr, [&stream] { return stream.hasBuffered(); });
        } else if (!context_) {
            // Plain http only: the handshake is refused by closing at once.
        } else if (std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(context_), &SSL_free);
                   ssl) {
            SSL_set_fd(ssl.get(), sock);
            if (SSL_accept(ssl.get()) == 1) {
                TlsStream stream(sock, ssl.get());
                SSL* raw = ssl.get();
                served = serve(stream, raw, [raw] { return SSL_pending(raw) > 0; });
                SSL_shutdown(ssl.get());
            }
        }
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return served;
}

}  // namespace zorbit::server
