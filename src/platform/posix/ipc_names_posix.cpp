#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "platform/posix/ipc_names.h"

namespace platform::posix {
namespace {

constexpr size_t kMaxEscapedLength = 180;

bool isPlain(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '.' || c == '_' || c == '-';
}

bool ensurePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
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
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        std::string folder = std::string(runtime) + "/zorbit";
        if (ensurePrivateFolder(folder)) return folder + "/";
    }
    std::string folder = "/tmp/zorbit-" + std::to_string(::geteuid());
    if (!ensurePrivateFolder(folder)) return {};
    return folder + "/";
}

std::string sharedMemoryName(const char* kind, const std::string& name) {
    return "/zorbit-" + std::to_string(::geteuid()) + "-" + kind + "-" + escapeObjectName(name);
}

}  // namespace platform::posix
