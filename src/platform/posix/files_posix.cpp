#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/last_error.h"

namespace platform {
namespace {

// A second name could be another file of the user, hard-linked into the folder.
bool ownPlainFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
}

}  // namespace

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

bool isOwnPlainFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        setLastErrorFromErrno();
        return false;
    }
    return ownPlainFile(info);
}

std::FILE* openOwnPlainFileForAppend(const std::string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the check below refuses it.
    const int fd =
        ::open(path.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) {
            setLastError(kErrorAccessDenied);  // a link
        } else {
            setLastErrorFromErrno();
        }
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !ownPlainFile(info)) {
        ::close(fd);
        setLastError(kErrorAccessDenied);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);  // a plain file: blocking reads and writes again
    std::FILE* file = ::fdopen(fd, "a+b");
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

}  // namespace platform
