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

}  // namespace platform
