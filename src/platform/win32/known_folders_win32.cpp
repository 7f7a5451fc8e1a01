#include <windows.h>
// After windows.h:
#include <knownfolders.h>
#include <shlobj.h>

#include <stdexcept>

#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/win32/wide_text.h"

namespace platform {

const char kPathSeparator = '\\';

namespace {

const KNOWNFOLDERID& folderId(KnownFolder folder) {
    switch (folder) {
        case KnownFolder::LocalAppData:
            return FOLDERID_LocalAppData;
        case KnownFolder::LocalAppDataLow:
            return FOLDERID_LocalAppDataLow;
        case KnownFolder::RoamingAppData:
            return FOLDERID_RoamingAppData;
        case KnownFolder::ProgramData:
            return FOLDERID_ProgramData;
        case KnownFolder::ProgramFilesX86:
            return FOLDERID_ProgramFilesX86;
        case KnownFolder::Programs:
            return FOLDERID_Programs;
        case KnownFolder::CommonPrograms:
            return FOLDERID_CommonPrograms;
        case KnownFolder::Desktop:
            return FOLDERID_Desktop;
    }
    throw std::runtime_error("Unknown folder kind");
}

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

// Empty when the system has no such folder. Not verified: the caller creates
// what it needs.
std::string shellFolder(const KNOWNFOLDERID& id) {
    wchar_t* path = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
    std::string folder = SUCCEEDED(result) ? win32::toUtf8(path) : std::string();
    ::CoTaskMemFree(path);
    return withoutTrailingSeparators(folder);
}

std::string withSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace

std::string homeFolder() {
    const std::string home = shellFolder(FOLDERID_Profile);
    if (!home.empty()) return home;
    throw std::runtime_error("Cannot find the home folder of the user");
}

std::string knownFolderPath(KnownFolder folder) {
    const std::string path = shellFolder(folderId(folder));
    if (path.empty()) homeFolder();  // throws when there is no user profile either
    if (path.empty()) throw std::runtime_error("Cannot find a folder of the user");
    return path;
}

// The user's temporary folder, which lies in the user's profile; when it is
// not the user's alone, a folder of the user's own inside it.
std::string tempFolder() {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH + 1) return {};
    const std::string given = withoutTrailingSeparators(win32::toUtf8(buffer));
    const bool missing = ::GetFileAttributesW(buffer) == INVALID_FILE_ATTRIBUTES;
    if (missing ? makeOwnerOnlyFolder(given) : isFolderOfThisUser(given))
        return withSeparator(given);
    const std::string own = withSeparator(given) + "Zorbit";
    if (makeOwnerOnlyFolder(own)) return withSeparator(own);
    return {};
}

}  // namespace platform
