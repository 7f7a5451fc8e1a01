// The Win32 numbers are the system's own here: the last error is the thread's
// GetLastError value.
#include <windows.h>

#include <system_error>

#include "platform/last_error.h"
#include "platform/win32/crt_error.h"
#include "platform/win32/wide_text.h"

namespace platform {

uint32_t getLastError() {
    return ::GetLastError();
}

void setLastError(uint32_t code) {
    ::SetLastError(code);
}

// <filesystem> reports the Win32 calls' failures in the system category and
// the C runtime's in the generic one (errno values).
uint32_t win32ErrorFromErrorCode(const std::error_code& error) {
    if (error.category() == std::system_category()) return static_cast<uint32_t>(error.value());
    return win32::win32ErrorFromErrno(error.value());
}

std::string systemErrorMessage(int32_t hresult) {
    wchar_t* text = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length = ::FormatMessageW(flags, nullptr, static_cast<DWORD>(hresult),
                                          MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                          reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message = length != 0 && text ? std::wstring(text, length) : std::wstring();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n'))
        message.pop_back();
    return win32::toUtf8(message);
}

}  // namespace platform
