// Administrator rights: an elevated process token; elevation asks the shell to
// start the program with the verb "runas", which prompts when user account
// control is on.
#include <windows.h>

#include <stdexcept>

#include "platform/elevation.h"
#include "platform/win32/shell_execute.h"

namespace platform {
namespace {

const wchar_t kSystemPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// The machine's EnableLUA policy; a machine without the value has the control on.
bool userAccountControlOn() {
    DWORD enabled = 1;
    DWORD size = sizeof enabled;
    const LSTATUS status =
        ::RegGetValueW(HKEY_LOCAL_MACHINE, kSystemPolicies, L"EnableLUA",
                       RRF_RT_REG_DWORD | RRF_SUBKEY_WOW6464KEY, nullptr, &enabled, &size);
    return status != ERROR_SUCCESS || enabled != 0;
}

}  // namespace

bool isElevated() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        throw std::runtime_error("IsElevated OpenProcessToken failed");
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const BOOL known =
        ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    ::CloseHandle(token);
    if (!known) throw std::runtime_error("IsElevated GetTokenInformation failed");
    return elevation.TokenIsElevated != 0;
}

bool elevationPromptAvailable() {
    return userAccountControlOn();
}

bool startElevated(const std::string& program, const std::vector<std::string>& arguments) {
    // Each argument in plain double quotes, as the elevated copy has always
    // been given them: quotes inside an argument are not escaped.
    std::string parameters;
    for (const auto& argument : arguments) {
        if (!parameters.empty()) parameters += ' ';
        parameters += '"' + argument + '"';
    }
    return win32::shellExecute(L"runas", program, parameters);
}

}  // namespace platform
