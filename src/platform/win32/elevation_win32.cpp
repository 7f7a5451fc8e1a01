#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include "platform/elevation.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

bool tokenIsElevated() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool ok =
        ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    ::CloseHandle(token);
    return ok && elevation.TokenIsElevated != 0;
}

// Without user account control an administrator's token is a full one; with
// it, the group is deny-only in a filtered token and does not count.
bool isAdministratorMember() {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size)) return false;
    BOOL member = FALSE;
    return ::CheckTokenMembership(nullptr, sid, &member) && member;
}

// Each argument in double quotes, as the elevated copy's command line has
// always been built; a quote inside one is passed on as it is.
std::wstring elevatedParameters(const std::vector<std::string>& arguments) {
    std::wstring parameters;
    for (const auto& argument : arguments) {
        if (!parameters.empty()) parameters += L' ';
        parameters += L'"' + win32::toWide(argument) + L'"';
    }
    return parameters;
}

}  // namespace

bool isElevated() {
    return tokenIsElevated() || isAdministratorMember();
}

// The machine's user account control policy; without the value, the
// system's default (on).
bool elevationPromptAvailable() {
    DWORD enabled = 1;
    DWORD size = sizeof enabled;
    const LSTATUS result = ::RegGetValueW(
        HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
        L"EnableLUA", RRF_RT_REG_DWORD, nullptr, &enabled, &size);
    return result != ERROR_SUCCESS || enabled != 0;
}

bool startElevated(const std::string& program, const std::vector<std::string>& arguments) {
    const std::wstring file = win32::toWide(program);
    const std::wstring parameters = elevatedParameters(arguments);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExW(&info) != 0;
}

}  // namespace platform
