#include <windows.h>

#include "platform/file_times.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// FILETIME counts 100 ns steps since 1601.
constexpr int64_t kFileTimeOf1970 = 116444736000000000;

int64_t fileTimeValue(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                time.dwLowDateTime);
}

}  // namespace

bool fileCreationTime(const std::string& path, int64_t& nanoseconds) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(win32::toWide(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    // A file system without creation times reports zero.
    int64_t stamp = fileTimeValue(data.ftCreationTime);
    if (stamp == 0) stamp = fileTimeValue(data.ftLastWriteTime);
    nanoseconds = (stamp - kFileTimeOf1970) * 100;
    return true;
}

bool fileStamp(const std::string& path, FileStamp& stamp) {
    // Only the attributes are asked for: no sharing is refused, no link followed.
    const HANDLE file = ::CreateFileW(
        win32::toWide(path).c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    const bool read = ::GetFileInformationByHandle(file, &info) &&
                      ::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof(basic));
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!read) {
        ::SetLastError(error);
        return false;
    }
    constexpr DWORD kNotPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    if (info.dwFileAttributes & kNotPlain) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    stamp.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modifiedNs = (fileTimeValue(info.ftLastWriteTime) - kFileTimeOf1970) * 100;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.file = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.changedNs = (basic.ChangeTime.QuadPart - kFileTimeOf1970) * 100;
    return true;
}

}  // namespace platform
