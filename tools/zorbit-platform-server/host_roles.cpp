#include "host_roles.h"

#include <algorithm>
#include <cctype>

namespace zorbit::server {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string hostNameOf(const std::string& hostHeader) {
    // "[::1]:port" keeps its brackets; "name:port" loses the port.
    const size_t end = hostHeader.rfind(':');
    const bool hasPort = end != std::string::npos && hostHeader.find(']', end) == std::string::npos;
    return lower(hasPort ? hostHeader.substr(0, end) : hostHeader);
}

std::string dataHostOf(const std::string& baseHost) {
    std::string host = baseHost;
    size_t at = host.find("www.");
    if (at != std::string::npos) return host.replace(at, 3, "data");
    at = host.find("m.");
    if (at != std::string::npos) return host.replace(at, 1, "data");
    return host;
}

std::string contentHostOf(const std::string& cdnText) {
    const char* blanks = " \t\r\n";
    const size_t first = cdnText.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    std::string host = cdnText.substr(first, cdnText.find_last_not_of(blanks) - first + 1);
    const size_t scheme = host.find("://");
    if (scheme != std::string::npos) host.erase(0, scheme + 3);
    host = host.substr(0, host.find('/'));
    return hostNameOf(host);
}

HostNames hostNames(const ServerOptions& options, const std::string& cdnText) {
    HostNames names;
    names.install = lower(options.installHost.empty() ? options.siteHost : options.installHost);
    names.base = lower(options.baseHost.empty() ? options.siteHost : options.baseHost);
    names.content =
        options.contentHost.empty() ? contentHostOf(cdnText) : lower(options.contentHost);
    names.data = options.dataHost.empty() ? dataHostOf(names.base) : lower(options.dataHost);
    return names;
}

HostRoles classifyHost(const std::string& hostName, const HostNames& names) {
    HostRoles roles;
    roles.control = startsWith(hostName, "control.");
    roles.install = hostName == names.install;
    roles.base = hostName == names.base;
    roles.content = !names.content.empty() && hostName == names.content;
    roles.data = hostName == names.data;
    for (const char* service : {"clientsettings", "ephemeralcounters", "versioncompatibility"})
        if (startsWith(hostName, std::string(service) + ".api.")) roles.api = service;
    return roles;
}

}  // namespace zorbit::server
