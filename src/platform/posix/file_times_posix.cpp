#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

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

// Each name is looked up from its folder's descriptor, not walked from the root.
void stampFolder(int folder, const std::string& prefix, const StampedFile& each) {
    DIR* listing = ::fdopendir(folder);
    if (!listing) {
        ::close(folder);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        struct stat info {};
        if (::fstatat(::dirfd(listing), name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(info.st_mode)) {
            each(prefix + name, stampOf(info));
        } else if (S_ISDIR(info.st_mode)) {
            const int sub =
                ::openat(::dirfd(listing), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) stampFolder(sub, prefix + name + "/", each);
        }
    }
    ::closedir(listing);
}

}  // namespace

bool stampFolderFiles(const std::string& folder, const StampedFile& each) {
    const int root = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        setLastErrorFromErrno();
        return false;
    }
    stampFolder(root, "", each);
    return true;
}

}  // namespace platform
