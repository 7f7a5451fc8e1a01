#pragma once
// Which of the platform's hosts a request was sent to.

#include <string>

#include "server_options.h"

namespace zorbit::server {

struct HostRoles {
    bool control = false;
    bool install = false;
    bool base = false;
    bool content = false;
    bool data = false;
    std::string api;  // "clientsettings", "ephemeralcounters" or "versioncompatibility"

    bool known() const { return control || install || base || content || data || !api.empty(); }
};

// The Host header's name: without port, lower-case.
std::string hostNameOf(const std::string& hostHeader);

// The data host of a base host: its first "www" label, else its first "m"
// label, becomes "data".
std::string dataHostOf(const std::string& baseHost);

// The host named by a cdn.txt body (trimmed, without scheme and port).
std::string contentHostOf(const std::string& cdnText);

struct HostNames {
    std::string install, base, content, data;
};

HostNames hostNames(const ServerOptions& options, const std::string& cdnText);

HostRoles classifyHost(const std::string& hostName, const HostNames& names);

}  // namespace zorbit::server
