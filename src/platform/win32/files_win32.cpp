#include <fcntl.h>
#include <windows.h>

#include <cstring>

#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/win32/crt_error.h"
#include "platform/win32/file_security.h"
#include "platform/win32/handle_stream.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::toWide;

bool refuse() {
    setLastError(kErrorAccessDenied);
    return false;
}

// What another user planted, or a link, must not be written through.
bool isOwnRegularFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return win32::isPlainDiskFile(file, info) && win32::ownedByThisUser(file);
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Creates the missing folders of the path, each one owner-only.
bool createFolders(const std::wstring& path) {
    win32::OwnerOnlySecurity security(true);
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i != path.size() && !isSeparator(path[i])) continue;
        const std::wstring folder = path.substr(0, i);
        if (folder.back() == L':' ||
            ::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (!::CreateDirectoryW(folder.c_str(), security.attributes()) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

std::wstring withoutTrailingSeparators(std::wstring path) {
    while (path.size() > 1 && isSeparator(path.back()) && path[path.size() - 2] != L':')
        path.pop_back();
    return path;
}

}  // namespace

std::FILE* openFile(const std::string& path, const char* mode) {
    win32::clearCrtError();
    std::FILE* file = ::_wfopen(toWide(path).c_str(), toWide(mode).c_str());
    if (!file) win32::setLastErrorFromCrt();
    return file;
}

std::FILE* openOwnerOnlyFile(const std::string& path, const char* mode) {
    win32::OwnerOnlySecurity security(false);
    const HANDLE file =
        ::CreateFileW(toWide(path).c_str(), GENERIC_WRITE | READ_CONTROL | WRITE_DAC,
                      FILE_SHARE_READ | FILE_SHARE_DELETE, security.attributes(), OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (!isOwnRegularFile(file)) {
        ::CloseHandle(file);
        refuse();
        return nullptr;
    }
    if ((existed && !security.applyTo(file)) || !::SetEndOfFile(file)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        setLastError(error);
        return nullptr;
    }
    const int flags = _O_WRONLY | (std::strchr(mode, 'b') ? _O_BINARY : _O_TEXT);
    return win32::streamOfHandle(file, flags, mode);
}

bool createOwnerOnlyFile(const std::string& path) {
    std::FILE* file = openOwnerOnlyFile(path, "wb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

bool makeOwnerOnlyFolder(const std::string& path) {
    const std::wstring folder = withoutTrailingSeparators(toWide(path));
    if (!createFolders(folder)) return false;
    const HANDLE handle = win32::openForInspection(folder, false, true);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool isFolder = ::GetFileInformationByHandle(handle, &info) &&
                          (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                          !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!isFolder || !win32::ownedByThisUser(handle)) {
        ::CloseHandle(handle);
        return refuse();
    }
    bool ok = true;
    if (win32::othersMayAccess(handle)) ok = win32::OwnerOnlySecurity(true).applyTo(handle);
    const DWORD error = ::GetLastError();
    ::CloseHandle(handle);
    if (!ok) setLastError(error);
    return ok;
}

bool isFolderOfThisUser(const std::string& path) {
    const HANDLE handle = win32::openForInspection(toWide(path), true);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool result = ::GetFileInformationByHandle(handle, &info) &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                        win32::ownedByThisUser(handle) && !win32::othersMayWrite(handle);
    ::CloseHandle(handle);
    return result;
}

bool isOwnPlainFile(const std::string& path) {
    const HANDLE handle = win32::openForInspection(toWide(path), false);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    // A second name could be another file of the user, hard-linked into the folder.
    const bool result = win32::isPlainDiskFile(handle, info) && info.nNumberOfLinks == 1 &&
                        win32::ownedByThisUser(handle);
    ::CloseHandle(handle);
    return result;
}

std::FILE* openOwnPlainFileForAppend(const std::string& path) {
    // Opening a pipe's name never waits; the check below refuses it.
    const HANDLE file =
        ::CreateFileW(toWide(path).c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!win32::isPlainDiskFile(file, info) || info.nNumberOfLinks != 1 ||
        !win32::ownedByThisUser(file)) {
        ::CloseHandle(file);
        refuse();
        return nullptr;
    }
    return win32::streamOfHandle(file, _O_RDWR | _O_APPEND | _O_BINARY, "a+b");
}

// DeleteFileW refuses a folder with ERROR_ACCESS_DENIED itself.
bool deleteFile(const std::string& path) {
    return ::DeleteFileW(toWide(path).c_str()) != 0;
}

bool makeSparse(const std::string& path) {
    const HANDLE file = ::CreateFileW(toWide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    const bool done =
        ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!done) ::SetLastError(error);
    return done;
}

}  // namespace platform
