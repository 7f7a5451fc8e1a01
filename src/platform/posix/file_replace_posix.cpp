#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file_replace.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"

namespace platform {
namespace {

bool writeAll(int fd, const std::string& content) {
    size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

// The mode the new file is created with (before the umask).
mode_t creationMode(FileMode mode) {
    return mode == FileMode::Executable ? 0777 : 0666;
}

}  // namespace

bool replaceFileContent(const std::string& path, const std::string& content, FileMode mode) {
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".new";
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, creationMode(mode));
    if (fd < 0) {
        setLastErrorFromErrno();
        return false;
    }
    struct stat existing {};
    bool ok = true;
    if (mode == FileMode::Keep && ::stat(path.c_str(), &existing) == 0)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, content);
    if (!ok) setLastErrorFromErrno();
    if (::close(fd) != 0 && ok) {
        setLastErrorFromErrno();
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        setLastErrorFromErrno();
        ok = false;
    }
    if (!ok) {
        const uint32_t error = getLastError();
        ::unlink(temporary.c_str());
        setLastError(error);
    }
    return ok;
}

}  // namespace platform
