#pragma once
// UTF-8 text at the core's boundary, UTF-16 in every Win32 call: narrow calls
// would read the text in the ANSI code page.

#include <string>

namespace platform::win32 {

std::wstring toWide(const std::string& utf8);
std::string toUtf8(const std::wstring& wide);
std::string toUtf8(const wchar_t* wide);
// Wide text of a known length (it need not end in a NUL).
std::string toUtf8(const wchar_t* wide, size_t length);

}  // namespace platform::win32
