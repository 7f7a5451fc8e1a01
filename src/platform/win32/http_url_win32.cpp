#include <windows.h>
// after windows.h, which it needs
#include <wininet.h>

#include <algorithm>

#include "platform/http_transport.h"
#include "platform/win32/http_url.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

bool hasScheme(const std::wstring& url) {
    return url.find(L"://") != std::wstring::npos;
}

std::wstring part(const wchar_t* text, DWORD length) {
    return text ? std::wstring(text, length) : std::wstring();
}

// Some WinINet versions let through what no authority may hold: control
// characters, spaces and an unclosed IPv6 bracket.
bool usableAuthority(const std::wstring& url) {
    const size_t scheme = url.find(L"://");
    const size_t start = scheme == std::wstring::npos ? 0 : scheme + 3;
    const size_t end = std::min(url.find_first_of(L"/?#", start), url.size());
    const std::wstring authority = url.substr(start, end - start);
    for (const wchar_t c : authority)
        if (c <= L' ' || c == 0x7F) return false;
    const size_t host = authority.find(L'@') == std::wstring::npos ? 0 : authority.find(L'@') + 1;
    const size_t open = authority.find(L'[', host);
    const size_t close = authority.find(L']', host);
    if (open == std::wstring::npos) return close == std::wstring::npos;
    return open == host && close != std::wstring::npos && close > open;
}

std::optional<HttpUrl> crackUrl(const std::wstring& url, bool httpOnly = true) {
    if (!usableAuthority(url)) return std::nullopt;
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUserNameLength = 1;
    parts.dwPasswordLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (url.empty() || !InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return std::nullopt;
    if (httpOnly && parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return std::nullopt;
    HttpUrl split;
    split.whole = url;
    split.https = parts.nScheme == INTERNET_SCHEME_HTTPS;
    split.host = part(parts.lpszHostName, parts.dwHostNameLength);
    split.port = parts.nPort;
    split.user = part(parts.lpszUserName, parts.dwUserNameLength);
    split.password = part(parts.lpszPassword, parts.dwPasswordLength);
    split.object = part(parts.lpszUrlPath, parts.dwUrlPathLength) +
                   part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (split.host.empty()) return std::nullopt;
    if (split.object.empty() || split.object[0] != L'/') split.object.insert(0, L"/");
    return split;
}

}  // namespace

std::optional<HttpUrl> splitHttpUrl(const std::string& url, bool schemeOptional) {
    std::wstring wide = toWide(url);
    if (!hasScheme(wide)) {
        if (!schemeOptional) return std::nullopt;
        wide.insert(0, L"http://");
    }
    return crackUrl(wide);
}

std::optional<HttpUrl> redirectUrl(const HttpUrl& from, const std::wstring& location) {
    DWORD length = 0;
    InternetCombineUrlW(from.whole.c_str(), location.c_str(), nullptr, &length, ICU_NO_ENCODE);
    if (length == 0) return std::nullopt;
    std::wstring combined(length, L'\0');
    if (!InternetCombineUrlW(from.whole.c_str(), location.c_str(), combined.data(), &length,
                             ICU_NO_ENCODE))
        return std::nullopt;
    combined.resize(length);
    return crackUrl(combined);
}

}  // namespace platform::win32

namespace platform {

// Any scheme names a host here, as it does for the URL's readers.
std::string urlHost(const std::string& url) {
    std::wstring wide = win32::toWide(url);
    if (!win32::hasScheme(wide)) wide.insert(0, L"http://");
    const std::optional<win32::HttpUrl> split = win32::crackUrl(wide, false);
    return split ? win32::toUtf8(split->host) : std::string();
}

}  // namespace platform
