// Helper programs run without a console window, their standard handles on NUL.
#include <windows.h>

#include "platform/helper_program.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

HANDLE openNul(DWORD access) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                         OPEN_EXISTING, 0, nullptr);
}

// Starts the command line with its standard handles on NUL; nullptr with the
// last error set when it cannot be started.
HANDLE startDetached(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = openNul(GENERIC_READ);
    startup.hStdOutput = openNul(GENERIC_WRITE);
    startup.hStdError = startup.hStdOutput;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    const DWORD error = ::GetLastError();
    for (HANDLE nul : {startup.hStdInput, startup.hStdOutput})
        if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
    if (!started) {
        ::SetLastError(error);
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

}  // namespace

int runHelperProgram(const std::string& program, const std::vector<std::string>& arguments,
                     uint32_t timeoutMs) {
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    HANDLE process = startDetached(win32::toWide(joinCommandLine(words)));
    if (!process) return kHelperNotFound;
    if (::WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process, static_cast<UINT>(kHelperTimedOut));
        ::WaitForSingleObject(process, INFINITE);
        ::CloseHandle(process);
        setLastError(kErrorTimeout);
        return kHelperTimedOut;
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process, &exitCode);
    ::CloseHandle(process);
    return static_cast<int>(exitCode);
}

}  // namespace platform
