#include <windows.h>

#include "platform/win32/shell_execute.h"
// after windows.h, whose types it uses
#include <shellapi.h>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

bool shellExecute(const wchar_t* verb, const std::string& target, const std::string& parameters) {
    const std::wstring file = toWide(target);
    const std::wstring wideParameters = toWide(parameters);
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    // The caller reports failures itself, and the request ends before we return.
    request.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    request.lpVerb = verb;
    request.lpFile = file.c_str();
    request.lpParameters = wideParameters.empty() ? nullptr : wideParameters.c_str();
    request.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExW(&request) != FALSE;
}

}  // namespace platform::win32
