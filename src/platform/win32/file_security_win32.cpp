#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/file_security.h"

namespace platform::win32 {
namespace {

// The token's user (TokenUser) or default owner (TokenOwner), as bytes.
std::vector<BYTE> tokenSid(TOKEN_INFORMATION_CLASS kind) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    const bool ok = size != 0 && ::GetTokenInformation(token, kind, buffer.data(), size, &size);
    ::CloseHandle(token);
    if (!ok) return {};
    const PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                       : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(sid));
}

bool sameSid(PSID sid, const std::vector<BYTE>& other) {
    return sid && !other.empty() && ::EqualSid(sid, const_cast<BYTE*>(other.data()));
}

std::wstring userSidText() {
    std::vector<BYTE> user = tokenSid(TokenUser);
    wchar_t* text = nullptr;
    if (user.empty() || !::ConvertSidToStringSidW(user.data(), &text)) return {};
    std::wstring result(text);
    ::LocalFree(text);
    return result;
}

// The owner, the user, and those who may take any file anyway.
bool isTrusted(PSID sid, PSID owner) {
    if (owner && ::EqualSid(sid, owner)) return true;
    for (const WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid,
                                           WinCreatorOwnerSid, WinCreatorOwnerRightsSid}) {
        if (::IsWellKnownSid(sid, type)) return true;
    }
    return sameSid(sid, tokenSid(TokenUser));
}

constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                     FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | WRITE_DAC |
                                     WRITE_OWNER | DELETE | GENERIC_WRITE | GENERIC_ALL;

// Whether an allowing entry grants any of the rights to someone else than
// the owner, the user, the system or the administrators.
bool othersAllowed(HANDLE object, ACCESS_MASK rights) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_FILE_OBJECT,
                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                          &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return true;
    bool others = dacl == nullptr;  // no access list: everyone may do anything
    for (DWORD i = 0; !others && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        const PSID sid = &allowed->SidStart;
        others = (allowed->Mask & rights) != 0 && !isTrusted(sid, owner);
    }
    ::LocalFree(descriptor);
    return others;
}

}  // namespace

OwnerOnlySecurity::OwnerOnlySecurity(bool forFolder) {
    const std::wstring sid = userSidText();
    if (sid.empty()) return;
    const std::wstring text =
        std::wstring(L"D:P(A;") + (forFolder ? L"OICI" : L"") + L";FA;;;" + sid + L")";
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                                &descriptor_, nullptr))
        descriptor_ = nullptr;
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = descriptor_;
    attributes_.bInheritHandle = FALSE;
}

OwnerOnlySecurity::~OwnerOnlySecurity() {
    if (descriptor_) ::LocalFree(descriptor_);
}

bool OwnerOnlySecurity::applyTo(HANDLE object) const {
    if (!descriptor_) return false;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor_, &present, &dacl, &defaulted)) return false;
    const DWORD result = ::SetSecurityInfo(
        object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
        nullptr, nullptr, dacl, nullptr);
    if (result != ERROR_SUCCESS) ::SetLastError(result);
    return result == ERROR_SUCCESS;
}

bool ownedByThisUser(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const bool own = sameSid(owner, tokenSid(TokenUser)) || sameSid(owner, tokenSid(TokenOwner));
    ::LocalFree(descriptor);
    return own;
}

bool othersMayWrite(HANDLE object) {
    return othersAllowed(object, kWriteRights);
}

bool othersMayAccess(HANDLE object) {
    return othersAllowed(object, ~ACCESS_MASK{0});
}

bool isPlainDiskFile(HANDLE object, BY_HANDLE_FILE_INFORMATION& info) {
    if (::GetFileType(object) != FILE_TYPE_DISK) return false;
    if (!::GetFileInformationByHandle(object, &info)) return false;
    const DWORD notPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    return (info.dwFileAttributes & notPlain) == 0;
}

HANDLE openForInspection(const std::wstring& path, bool followLinks, bool forChange) {
    const DWORD access = READ_CONTROL | FILE_READ_ATTRIBUTES | (forChange ? WRITE_DAC : 0);
    // Backup semantics: a folder opens too.
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return ::CreateFileW(path.c_str(), access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, flags, nullptr);
}

}  // namespace platform::win32
