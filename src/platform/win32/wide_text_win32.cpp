#include <windows.h>

#include <climits>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

std::wstring toWide(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > INT_MAX) return {};
    const int size = static_cast<int>(utf8.size());
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), units);
    return wide;
}

std::string toUtf8(const wchar_t* wide, size_t length) {
    if (!wide || length == 0 || length > INT_MAX) return {};
    const int size = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, size, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string toUtf8(const std::wstring& wide) {
    return toUtf8(wide.data(), wide.size());
}

std::string toUtf8(const wchar_t* wide) {
    return wide ? toUtf8(std::wstring(wide)) : std::string();
}

}  // namespace platform::win32
