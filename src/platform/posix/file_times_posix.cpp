#include <fcntl.h>
#include <sys/stat.h>

#include "platform/file_times.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"

namespace platform {

bool fileCreationTime(const std::string& path, int64_t& nanoseconds) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0) {
        setLastErrorFromErrno();
        return false;
    }
    // Not every file system keeps a birth time.
    const struct statx_timestamp& stamp =
        (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_mtime;
    nanoseconds = static_cast<int64_t>(stamp.tv_sec) * 1000000000 + stamp.tv_nsec;
    return true;
}

}  // namespace platform
