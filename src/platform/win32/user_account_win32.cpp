#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <lmcons.h>

#include <filesystem>
#include <vector>

#include "platform/known_folders.h"
#include "platform/user_account.h"
#include "platform/utf8_path.h"
#include "platform/win32/wide_text.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

// FILETIME steps (100 ns) of the process start; entries that came to be
// before it are not this process's.
const ULONGLONG processStart = [] {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return ((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime) - 10000000;
}();

std::vector<BYTE> tokenInformation(TOKEN_INFORMATION_CLASS kind) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, kind, buffer.data(), size, &size))
        buffer.clear();
    ::CloseHandle(token);
    return buffer;
}

bool madeByThisProcess(HANDLE entry) {
    FILETIME created{};
    if (!::GetFileTime(entry, &created, nullptr, nullptr)) return false;
    return ((static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime) >=
           processStart;
}

bool ownedBy(HANDLE entry, PSID sid) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(entry, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const bool same = owner && ::EqualSid(owner, sid);
    ::LocalFree(descriptor);
    return same;
}

// Gives the user an entry (a link itself, never its target) this process
// created under the elevated token's default owner.
void handOver(const fs::path& path, PSID user, PSID elevatedOwner) {
    const HANDLE entry = ::CreateFileW(
        path.c_str(), READ_CONTROL | WRITE_OWNER | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (entry == INVALID_HANDLE_VALUE) return;
    if (madeByThisProcess(entry) && ownedBy(entry, elevatedOwner))
        ::SetSecurityInfo(entry, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, user, nullptr, nullptr,
                          nullptr);
    ::CloseHandle(entry);
}

void handOverTree(const std::string& folder, PSID user, PSID elevatedOwner) {
    if (folder.empty()) return;
    const fs::path root = fsPath(folder);
    std::error_code error;
    for (fs::recursive_directory_iterator
             it(root, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error))
        handOver(it->path(), user, elevatedOwner);
}

}  // namespace

std::string userName() {
    wchar_t name[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    return ::GetUserNameW(name, &size) ? win32::toUtf8(name) : std::string();
}

// An elevated run is the same account as the user's own runs, but what it
// creates belongs to the administrators group (the elevated token's default
// owner), which the user's runs do not take for their own files.
void handCreatedFilesToInvokingUser() {
    std::vector<BYTE> user = tokenInformation(TokenUser);
    std::vector<BYTE> owner = tokenInformation(TokenOwner);
    if (user.empty() || owner.empty()) return;
    const PSID userSid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    const PSID ownerSid = reinterpret_cast<TOKEN_OWNER*>(owner.data())->Owner;
    if (::EqualSid(userSid, ownerSid)) return;  // not elevated, or owning as the user already
    try {
        for (const std::string& folder : {knownFolderPath(KnownFolder::RoamingAppData),
                                          knownFolderPath(KnownFolder::LocalAppData),
                                          knownFolderPath(KnownFolder::Desktop), tempFolder()})
            handOverTree(folder, userSid, ownerSid);
    } catch (const std::exception&) {
        // Without a profile there is nothing of the user's to give back.
    }
}

}  // namespace platform
