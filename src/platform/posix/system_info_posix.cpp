#include <sys/statvfs.h>
#include <sys/utsname.h>

#include <cstdio>

#include "platform/last_error.h"
#include "platform/posix/errno_error.h"
#include "platform/system_info.h"

namespace platform {

std::optional<uint64_t> freeDiskBytes(const std::string& path) {
    struct statvfs info {};
    if (path.empty() || ::statvfs(path.c_str(), &info) != 0) {
        if (path.empty()) {
            setLastError(kErrorPathNotFound);
        } else {
            setLastErrorFromErrno();
        }
        return std::nullopt;
    }
    return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

OsVersionInfo osVersion() {
    OsVersionInfo version;
    struct utsname names {};
    if (::uname(&names) != 0) return version;
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(names.release, "%u.%u.%u", &major, &minor, &patch);
    version.majorVersion = major;
    version.minorVersion = minor;
    version.buildNumber = patch;
    return version;
}

// Every kernel that runs this build's C library runs the Studio.
bool osMeetsMinimum() {
    return true;
}

bool hasSystemBrowserComponent() {
    return false;
}

}  // namespace platform
