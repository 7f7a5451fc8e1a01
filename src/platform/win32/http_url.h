#pragma once
// URLs as WinINet takes them apart: scheme, host, port, credentials and the
// object's path with its query.

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>

namespace platform::win32 {

struct HttpUrl {
    std::wstring whole;
    bool https = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring user;
    std::wstring password;
    std::wstring object;  // path and query, "/" at least
};

// nullopt unless the URL is an http or https one. A URL without a scheme is
// read as http when schemeOptional.
std::optional<HttpUrl> splitHttpUrl(const std::string& url, bool schemeOptional);
// A Location header's URL, resolved against the URL that answered it.
std::optional<HttpUrl> redirectUrl(const HttpUrl& from, const std::wstring& location);

}  // namespace platform::win32
