#include "wine/support/private_hosts.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// Every host the launcher may ask for, for the local server's site and domains.
std::string platformHostLines() {
    std::string lines;
    for (const char* domain : {"zorbit.localhost", "zorbit-staging.localhost"}) {
        for (const char* site : {"", "qasite1."}) {
            for (const char* name :
                 {"", "www.", "m.", "web.", "cdn.", "data.", "setup.", "control.",
                  "clientsettings.api.", "ephemeralcounters.api.", "versioncompatibility.api."})
                lines += "127.0.0.1 " + std::string(name) + site + domain + "\n";
        }
    }
    lines += "127.0.0.1 ternwick.zorbit.localhost\n";
    return lines;
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out);
}

// Without root, a user namespace in which this user is root owns the mounts.
bool enterNamespaces() {
    if (::unshare(CLONE_NEWNS) == 0) return true;
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    return writeFile("/proc/self/setgroups", "deny") &&
           writeFile("/proc/self/uid_map",
                     std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
           writeFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
}

}  // namespace

std::string bindPrivateHosts() {
    if (!enterNamespaces()) return std::string("no mount namespace: ") + std::strerror(errno);
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("mounts stay shared: ") + std::strerror(errno);
    char path[] = "/tmp/zorbit-wine-hosts-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return std::string("no hosts file: ") + std::strerror(errno);
    ::close(fd);
    std::ostringstream hosts;
    hosts << std::ifstream("/etc/hosts").rdbuf() << "\n" << platformHostLines();
    const bool written = writeFile(path, hosts.str());
    const bool bound = written && ::mount(path, "/etc/hosts", nullptr, MS_BIND, nullptr) == 0;
    const std::string why =
        bound ? "" : std::string("cannot bind /etc/hosts: ") + std::strerror(errno);
    // The bound file stays reachable through the mount after its name goes.
    ::unlink(path);
    return why;
}
