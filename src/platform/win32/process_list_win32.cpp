// The user's programs are found through their visible top-level windows: the
// windows of this desktop are the user's, and a program the user can be asked
// to close has one. Closing is asked by WM_CLOSE to each of those windows.
#include <windows.h>

#include <algorithm>
#include <functional>

#include "platform/process_list.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr DWORD kImagePathLength = 1024;

using WindowVisitor = std::function<void(HWND window, DWORD processId)>;

BOOL CALLBACK visitWindow(HWND window, LPARAM visitor) {
    if (!::IsWindowVisible(window)) return TRUE;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId != 0) (*reinterpret_cast<const WindowVisitor*>(visitor))(window, processId);
    return TRUE;
}

void forEachVisibleWindow(const WindowVisitor& visitor) {
    ::EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&visitor));
}

std::wstring imagePath(DWORD processId) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return {};
    std::wstring path(kImagePathLength, L'\0');
    DWORD length = kImagePathLength;
    if (!::QueryFullProcessImageNameW(process, 0, path.data(), &length)) length = 0;
    ::CloseHandle(process);
    path.resize(length);
    return path;
}

std::wstring fileName(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

bool equalIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::vector<uint32_t> findProcessesByImageName(const std::string& imageName) {
    const std::wstring wanted = win32::toWide(imageName);
    const DWORD self = ::GetCurrentProcessId();
    std::vector<uint32_t> found;
    forEachVisibleWindow([&](HWND, DWORD processId) {
        if (processId == self || std::find(found.begin(), found.end(), processId) != found.end())
            return;
        const std::wstring path = imagePath(processId);
        if (!path.empty() && equalIgnoringCase(fileName(path), wanted)) found.push_back(processId);
    });
    return found;
}

// True when the process had a visible window to ask; one without is left alone.
bool requestProcessClose(uint32_t processId) {
    bool asked = false;
    forEachVisibleWindow([&](HWND window, DWORD owner) {
        if (owner != processId) return;
        ::SetForegroundWindow(window);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        asked = true;
    });
    return asked;
}

bool isProcessRunning(uint32_t processId) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    // A process we may not open still exists.
    if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

bool waitForProcessEnd(uint32_t processId, uint32_t timeoutMs) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return ::GetLastError() != ERROR_ACCESS_DENIED;
    const bool ended = ::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

std::string processTitle(uint32_t processId) {
    return win32::toUtf8(fileName(imagePath(processId)));
}

}  // namespace platform
