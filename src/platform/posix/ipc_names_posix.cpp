#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/posix/ipc_names.h"
#include "platform/posix/xdg_folders.h"

namespace platform::posix {
namespace {

constexpr size_t kMaxEscapedLength = 180;

bool isPlain(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

// The per-session folder only when it is really the user's: a root shell can
// carry another user's XDG_RUNTIME_DIR.
std::string sessionFolder() {
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    return !runtime.empty() && isFolderOfThisUser(runtime) ? runtime + "/zorbit" : std::string();
}

std::string cacheFolder() {
    try {
        return xdgFolder("XDG_CACHE_HOME", ".cache") + "/zorbit/run";
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

std::string escapeObjectName(const std::string& name) {
    std::string escaped;
    for (unsigned char c : name) {
        if (isPlain(static_cast<char>(c))) {
            escaped += static_cast<char>(c);
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            escaped += code;
        }
    }
    if (escaped.size() > kMaxEscapedLength) {
        char hash[20];
        std::snprintf(hash, sizeof hash, "~%016zx", std::hash<std::string>{}(name));
        escaped = escaped.substr(0, kMaxEscapedLength - 17) + hash;
    }
    return escaped;
}

std::string runtimeFolder() {
    // Someone else may have taken the name under /tmp first: the cache folder
    // in the user's home is then the one no one else can reach.
    for (const std::string& folder :
         {sessionFolder(), "/tmp/zorbit-" + std::to_string(::geteuid()), cacheFolder()}) {
        if (!folder.empty() && makeOwnerOnlyFolder(folder)) return folder + "/";
    }
    return {};
}

std::string objectFilePath(const char* kind, const std::string& name) {
    const std::string folder = runtimeFolder();
    return folder.empty() ? folder : folder + kind + "-" + escapeObjectName(name);
}

int openObjectFile(const std::string& path, int flags) {
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == ELOOP) errno = EACCES;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

}  // namespace platform::posix
