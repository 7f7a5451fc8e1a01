#include <sys/statvfs.h>
#include <sys/utsname.h>

#include <cstdio>

#include "platform/last_error.h"
#include "platform/posix/errno_error.h"
#include "platform/system_info.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace platform {

bool cpuHasSse2() {
#if defined(__i386__) || defined(__x86_64__)
    const unsigned highest = __get_cpuid_max(0, nullptr);
    if (highest == 0) return false;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx & (1u << 26)) != 0;
#else
    return true;
#endif
}

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
