// Processes started with CreateProcessW. ProcessInfo carries only the id, so
// the process handle of each started child is kept here until the child is
// waited for or let go, as a parent's handle keeps its end readable.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <mutex>

#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

std::mutex childrenLock;
std::map<int, HANDLE> children;

void keepChild(int processId, HANDLE process) {
    std::lock_guard guard(childrenLock);
    children[processId] = process;
}

// The kept handle of a child, removed from the list; nullptr when there is none.
HANDLE takeChild(int processId) {
    std::lock_guard guard(childrenLock);
    auto it = children.find(processId);
    if (it == children.end()) return nullptr;
    HANDLE process = it->second;
    children.erase(it);
    return process;
}

std::wstring variableName(const std::wstring& variable) {
    // Names such as "=C:" begin with the separator itself.
    const size_t separator = variable.find(L'=', 1);
    std::wstring name = variable.substr(0, separator);
    std::transform(name.begin(), name.end(), name.begin(), ::towupper);
    return name;
}

std::vector<std::wstring> currentEnvironment() {
    std::vector<std::wstring> variables;
    wchar_t* block = ::GetEnvironmentStringsW();
    if (!block) return variables;
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1)
        variables.emplace_back(entry);
    ::FreeEnvironmentStringsW(block);
    return variables;
}

// This process's environment without the variables the extras set, then the
// extras, sorted by name as the system expects, in one block.
std::wstring childEnvironment(const std::vector<std::string>& extras) {
    std::map<std::wstring, std::wstring> byName;
    for (auto& variable : currentEnvironment()) byName[variableName(variable)] = variable;
    for (const auto& extra : extras) {
        std::wstring variable = win32::toWide(extra);
        byName[variableName(variable)] = variable;
    }
    std::wstring block;
    for (const auto& entry : byName) {
        block += entry.second;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

}  // namespace

bool startProcess(const std::string& commandLine, ProcessInfo& info) {
    return startProcess(commandLine, info, {});
}

bool startProcess(const std::string& commandLine, ProcessInfo& info,
                  const std::vector<std::string>& extraEnvironment) {
    if (commandLine.empty()) {
        setLastError(kErrorFileNotFound);
        return false;
    }
    std::wstring line = win32::toWide(commandLine);
    std::wstring environment;
    DWORD flags = 0;
    if (!extraEnvironment.empty()) {
        environment = childEnvironment(extraEnvironment);
        flags |= CREATE_UNICODE_ENVIRONMENT;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags,
                          environment.empty() ? nullptr : environment.data(), nullptr, &startup,
                          &process))
        return false;
    ::CloseHandle(process.hThread);
    info.processId = static_cast<int>(process.dwProcessId);
    keepChild(info.processId, process.hProcess);
    return true;
}

std::string takeEnvironmentValue(const std::string& name) {
    const std::wstring wideName = win32::toWide(name);
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (length == 0) return {};
    std::wstring value(length, L'\0');
    value.resize(::GetEnvironmentVariableW(wideName.c_str(), value.data(), length));
    // The C runtime keeps a copy of its own: clear both.
    ::_wputenv_s(wideName.c_str(), L"");
    ::SetEnvironmentVariableW(wideName.c_str(), nullptr);
    return win32::toUtf8(value);
}

void releaseProcess(const ProcessInfo& info) {
    if (HANDLE process = takeChild(info.processId)) ::CloseHandle(process);
}

bool waitForProcess(const ProcessInfo& info, uint32_t timeoutMs, int* exitCode) {
    HANDLE process = takeChild(info.processId);
    if (!process) {
        process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                static_cast<DWORD>(info.processId));
        if (!process) return false;
    }
    const DWORD waited = ::WaitForSingleObject(process, timeoutMs);
    if (waited != WAIT_OBJECT_0) {
        const DWORD error = waited == WAIT_TIMEOUT ? DWORD{kErrorWaitTimeout} : ::GetLastError();
        keepChild(info.processId, process);
        ::SetLastError(error);
        return false;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    if (exitCode) *exitCode = static_cast<int>(code);
    return true;
}

uint32_t currentProcessId() {
    return ::GetCurrentProcessId();
}

uint32_t currentThreadId() {
    return ::GetCurrentThreadId();
}

std::string executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return win32::toUtf8(path);
        }
        path.resize(path.size() * 2);
    }
}

// argv is ignored: the runtime made it from the same command line, but in the
// ANSI code page, which loses every character outside it.
std::vector<std::string> programArguments(int, char**) {
    return splitCommandLine(win32::toUtf8(::GetCommandLineW()));
}

}  // namespace platform
