#include <windows.h>

#include <cstdio>

#include "platform/process.h"
#include "platform/win32/wide_text.h"
#include "win_helper.h"

namespace {

// An elevated administrator's token has a filtered twin, as user account
// control hands out; with the administrators group also set to deny only, it
// is what a standard user gets.
HANDLE standardUserToken() {
    HANDLE own = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &own)) return nullptr;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    HANDLE base = own;
    if (::GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size))
        base = linked.LinkedToken;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    size = sizeof administrators;
    HANDLE restricted = nullptr;
    if (::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) {
        SID_AND_ATTRIBUTES denied{administrators, 0};
        if (!::CreateRestrictedToken(base, 0, 1, &denied, 0, nullptr, 0, nullptr, &restricted))
            restricted = nullptr;
    }
    if (base != own) ::CloseHandle(base);
    ::CloseHandle(own);
    return restricted;
}

}  // namespace

int runAsStandardUser(const std::vector<std::string>& commandLine) {
    HANDLE token = standardUserToken();
    if (!token) {
        std::fprintf(stderr, "no standard user's token: error %lu\n", ::GetLastError());
        return 125;
    }
    std::wstring line = platform::win32::toWide(platform::joinCommandLine(commandLine));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessAsUserW(token, nullptr, line.data(), nullptr, nullptr,
                                                FALSE, 0, nullptr, nullptr, &startup, &process);
    ::CloseHandle(token);
    if (!started) {
        std::fprintf(stderr, "cannot start %ls: error %lu\n", line.c_str(), ::GetLastError());
        return 126;
    }
    ::CloseHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 127;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
