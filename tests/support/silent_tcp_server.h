#pragma once
// A TCP listener on 127.0.0.1 that accepts connections and never says a word:
// the server that hangs a client which has no time-out, also in a TLS handshake.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class SilentTcpServer {
public:
    SilentTcpServer();
    ~SilentTcpServer();
    SilentTcpServer(const SilentTcpServer&) = delete;
    SilentTcpServer& operator=(const SilentTcpServer&) = delete;

    int port() const { return port_; }
    std::string host(const std::string& label = "silent") const {
        return label + ".zorbit.localhost:" + std::to_string(port_);
    }
    int acceptedCount() const { return accepted_.load(); }

private:
    void acceptLoop();

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::vector<int> connections_;
    std::thread thread_;
};
