#include <fcntl.h>
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

}  // namespace platform
