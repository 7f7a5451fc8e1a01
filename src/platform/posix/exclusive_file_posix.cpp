#include <cerrno>

#include "platform/exclusive_file.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"

namespace platform {

std::FILE* createExclusiveFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) setLastErrorFromErrno();
    return file;
}

bool writeWhole(std::FILE* file, const void* data, size_t size) {
    errno = 0;
    if (std::fwrite(data, 1, size, file) == size) return true;
    setLastErrorFromErrno();
    return false;
}

bool closeWrittenFile(std::FILE* file) {
    if (std::fclose(file) == 0) return true;
    setLastErrorFromErrno();
    return false;
}

}  // namespace platform
