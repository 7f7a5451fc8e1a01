#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/file_replace.h"
#include "platform/last_error.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

bool writeAll(HANDLE file, const std::string& content) {
    size_t written = 0;
    while (written < content.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<size_t>(content.size() - written, 1u << 30));
        DWORD done = 0;
        if (!::WriteFile(file, content.data() + written, chunk, &done, nullptr)) return false;
        written += done;
    }
    return true;
}

bool writeNewFile(const std::wstring& path, const std::string& content) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = writeAll(file, content);
    const DWORD error = ::GetLastError();
    if (!::CloseHandle(file)) return false;
    if (!ok) ::SetLastError(error);
    return ok;
}

// ReplaceFileW keeps the replaced file's access list and attributes; a new
// file, or one of another mode, takes the folder's through a plain rename.
bool moveOver(const std::wstring& temporary, const std::wstring& path, FileMode mode) {
    const bool exists = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (mode == FileMode::Keep && exists) {
        if (::ReplaceFileW(path.c_str(), temporary.c_str(), nullptr,
                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
            return true;
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) return false;  // gone meanwhile: a rename
    }
    return ::MoveFileExW(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

bool replaceFileContent(const std::string& path, const std::string& content, FileMode mode) {
    const std::wstring target = win32::toWide(path);
    const std::wstring temporary =
        target + L"." + std::to_wstring(::GetCurrentProcessId()) + L".new";
    const bool ok = writeNewFile(temporary, content) && moveOver(temporary, target, mode);
    if (!ok) {
        const uint32_t error = getLastError();
        ::DeleteFileW(temporary.c_str());
        setLastError(error);
    }
    return ok;
}

}  // namespace platform
