#include <windows.h>

#include "platform/last_error.h"
#include "platform/system_info.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::optional<uint64_t> freeDiskBytes(const std::string& path) {
    if (path.empty()) {
        setLastError(kErrorPathNotFound);
        return std::nullopt;
    }
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(win32::toWide(path).c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

// The version the system reports to a program without a compatibility
// manifest, as the launcher has always logged it.
OsVersionInfo osVersion() {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return {};
#pragma GCC diagnostic pop
    OsVersionInfo version;
    version.majorVersion = info.dwMajorVersion;
    version.minorVersion = info.dwMinorVersion;
    version.servicePackMajor = info.wServicePackMajor;
    version.servicePackMinor = info.wServicePackMinor;
    version.buildNumber = info.dwBuildNumber;
    version.platformId = info.dwPlatformId;
    return version;
}

// Windows XP with Service Pack 1 or later.
bool osMeetsMinimum() {
    OSVERSIONINFOEXW wanted{};
    wanted.dwOSVersionInfoSize = sizeof wanted;
    wanted.dwMajorVersion = 5;
    wanted.dwMinorVersion = 1;
    wanted.wServicePackMajor = 1;
    wanted.wServicePackMinor = 0;
    ULONGLONG condition = 0;
    condition = ::VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = ::VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = ::VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    condition = ::VerSetConditionMask(condition, VER_SERVICEPACKMINOR, VER_GREATER_EQUAL);
    const DWORD fields =
        VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR;
    return ::VerifyVersionInfoW(&wanted, fields, condition) != 0;
}

// The system's web browser component, whose version the launcher checks.
bool hasSystemBrowserComponent() {
    return true;
}

}  // namespace platform
