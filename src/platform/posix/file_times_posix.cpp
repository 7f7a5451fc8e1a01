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

namespace {

int64_t nanoseconds(const struct timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStamp stampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.size = static_cast<uint64_t>(info.st_size);
    stamp.modifiedNs = nanoseconds(info.st_mtim);
    stamp.device = static_cast<uint64_t>(info.st_dev);
    stamp.file = static_cast<uint64_t>(info.st_ino);
    stamp.changedNs = nanoseconds(info.st_ctim);
    return stamp;
}

}  // namespace

bool fileStamp(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        setLastErrorFromErrno();
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        setLastError(kErrorAccessDenied);
        return false;
    }
    stamp = stampOf(info);
    return true;
}

}  // namespace platform
