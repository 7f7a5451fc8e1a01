#pragma once
// UTF-8 text of the core to the wide text of Win32 calls and back.

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring toWide(std::string_view text);
std::string fromWide(std::wstring_view text);

}  // namespace platform::win32
