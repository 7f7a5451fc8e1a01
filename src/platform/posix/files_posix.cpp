#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/last_error.h"

namespace platform {

std::FILE* openOwnerOnlyFile(const std::string& path, const char* mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        setLastErrorFromErrno();
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) {
        setLastErrorFromErrno();
        ::close(fd);
    }
    return file;
}

bool deleteFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return true;
    if (errno == EISDIR) {
        setLastError(kErrorAccessDenied);
    } else {
        setLastErrorFromErrno();
    }
    return false;
}

bool isOwnRegularFile(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

}  // namespace platform
