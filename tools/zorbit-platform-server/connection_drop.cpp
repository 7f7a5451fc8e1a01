#include "connection_drop.h"

#include <filesystem>
#include <string>

#include "socket_port.h"

namespace zorbit::server {
namespace {

bool hasPorts(int fd, int localPort, int remotePort) {
    sockaddr_storage local{}, remote{};
    socklen_t localSize = sizeof local, remoteSize = sizeof remote;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0) return false;
    if (portOf(local) != localPort) return false;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &remoteSize) != 0) return false;
    return portOf(remote) == remotePort;
}

}  // namespace

bool dropConnection(int localPort, int remotePort) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) {
            continue;
        }
        if (!hasPorts(fd, localPort, remotePort)) continue;
        // The library still owns the descriptor and closes it after the handler.
        ::shutdown(fd, SHUT_RDWR);
        return true;
    }
    return false;
}

}  // namespace zorbit::server
