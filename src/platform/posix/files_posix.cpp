#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"

namespace platform {
namespace {

constexpr mode_t kOthersMayWrite = S_IWGRP | S_IWOTH;

bool refuse() {
    setLastError(kErrorAccessDenied);
    return false;
}

// What another user planted must not be written through.
bool isOwnRegularFile(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

// A second name could be another file of the user, hard-linked into the folder.
bool ownPlainFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
}

}  // namespace

std::FILE* openFile(const std::string& path, const char* mode) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) setLastErrorFromErrno();
    return file;
}

std::FILE* openOwnerOnlyFile(const std::string& path, const char* mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        setLastError(errno == ELOOP ? kErrorAccessDenied : win32ErrorFromErrno(errno));
        return nullptr;
    }
    if (!isOwnRegularFile(fd)) {
        ::close(fd);
        refuse();
        return nullptr;
    }
    if (::fchmod(fd, 0600) != 0 || ::ftruncate(fd, 0) != 0) {
        setLastErrorFromErrno();
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) {
        setLastErrorFromErrno();
        ::close(fd);
    }
    return file;
}

bool createOwnerOnlyFile(const std::string& path) {
    std::FILE* file = openOwnerOnlyFile(path, "wb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

bool makeOwnerOnlyFolder(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i != path.size() && path[i] != '/') continue;
        if (::mkdir(path.substr(0, i).c_str(), 0700) != 0 && errno != EEXIST) {
            setLastErrorFromErrno();
            return false;
        }
    }
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        setLastErrorFromErrno();
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return refuse();
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        setLastErrorFromErrno();
        return false;
    }
    return true;
}

bool isFolderOfThisUser(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & kOthersMayWrite) == 0;
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

bool makeSparse(const std::string&) {
    // Holes are how Linux file systems store never-written regions anyway.
    return true;
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
