// Helper programs run without a console window, their standard handles on NUL.
#include <windows.h>

#include <vector>

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

// The two NUL handles are the only ones the helper inherits.
class InheritedHandles {
public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        ready_ = ::InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
                 ::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                             handles_.data(), handles_.size() * sizeof(HANDLE),
                                             nullptr, nullptr);
    }
    ~InheritedHandles() {
        if (ready_) ::DeleteProcThreadAttributeList(list_);
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return ready_ ? list_ : nullptr; }

private:
    std::vector<HANDLE> handles_;
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ready_ = false;
};

// Starts the command line with its standard handles on NUL; nullptr with the
// last error set when it cannot be started.
HANDLE startDetached(std::wstring commandLine) {
    HANDLE input = openNul(GENERIC_READ);
    HANDLE output = openNul(GENERIC_WRITE);
    if (input == INVALID_HANDLE_VALUE || output == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        for (HANDLE nul : {input, output})
            if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
        ::SetLastError(error);
        return nullptr;
    }
    InheritedHandles inherited({input, output});
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input;
    startup.StartupInfo.hStdOutput = output;
    startup.StartupInfo.hStdError = output;
    startup.lpAttributeList = inherited.list();
    const DWORD flags =
        CREATE_NO_WINDOW | (startup.lpAttributeList ? EXTENDED_STARTUPINFO_PRESENT : 0);
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                          flags, nullptr, nullptr, &startup.StartupInfo, &process);
    const DWORD error = ::GetLastError();
    ::CloseHandle(input);
    ::CloseHandle(output);
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
