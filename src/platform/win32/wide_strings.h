#pragma once
// The crossing between the core's UTF-8 text and the wide text of Win32 calls.

#include <string>

namespace platform::win32 {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);
// Wide text of a known length (it need not end in a NUL).
std::string narrow(const wchar_t* wide, size_t length);

}  // namespace platform::win32
