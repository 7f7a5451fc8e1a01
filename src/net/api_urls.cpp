#include "net/api_urls.h"

#include "base/format.h"
#include "base/resource_strings.h"

namespace {

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

std::string withoutLeadingDot(const std::string& text) {
    return !text.empty() && text[0] == '.' ? text.substr(1) : text;
}

std::string dropFront(const std::string& text, size_t count) {
    return text.size() > count ? text.substr(count) : std::string();
}

}  // namespace

std::string buildApiUrl(const std::string& baseHost, const std::string& service,
                        const std::string& path, const std::string& apiKey,
                        const std::string& scheme) {
    const std::string production = resourceString(resource_id::kProductionDomain);
    const std::string siteLabel = resourceString(resource_id::kStagingSiteLabel);
    // The domain looked for last is the one the URL is built on, found or not.
    std::string domain = production;
    size_t at = baseHost.find(domain);
    if (at == std::string::npos) {
        domain = resourceString(resource_id::kStagingDomain);
        at = baseHost.find(domain);
    }
    std::string prefix = at == std::string::npos ? baseHost : baseHost.substr(0, at);
    if (prefix == "www" || prefix == "http://www" || prefix == "https://www" || prefix == "m" ||
        prefix == "http://m")
        prefix.clear();
    if (contains(prefix, "http://")) prefix = dropFront(prefix, 7);
    const std::string servicePart = service.empty() ? std::string() : service + ".";

    if (prefix.empty())
        return scheme + "://" + servicePart + "api." + withoutLeadingDot(production) + "/" + path +
               "/?apiKey=" + apiKey;
    const auto siteUrl = [&](const std::string& site) {
        return format("%s://%sapi.%s%s/%s/?apiKey=%s", scheme.c_str(), servicePart.c_str(),
                      site.c_str(), domain.c_str(), path.c_str(), apiKey.c_str());
    };
    if (contains(prefix, "www")) return siteUrl(dropFront(prefix, 4));
    if (prefix.rfind("m.", 0) == 0) return siteUrl(dropFront(prefix, 2));
    if (!siteLabel.empty() && contains(prefix, siteLabel.c_str()))
        return scheme + "://" + servicePart + "api." + withoutLeadingDot(siteLabel) + domain + "/" +
               path + "/?apiKey=" + apiKey;
    return {};
}

std::string countersUrl(const std::string& baseHost, const std::string& apiKey) {
    return buildApiUrl(baseHost, "ephemeralcounters", "v1.0/MultiIncrement", apiKey, "http");
}

std::string clientSettingsUrl(const std::string& baseHost, const std::string& group,
                              const std::string& apiKey) {
    return buildApiUrl(baseHost, "clientsettings", "Setting/QuietGet/" + group, apiKey, "http");
}

std::string versionCompatibilityUrl(const std::string& baseHost, const std::string& apiKey) {
    return buildApiUrl(baseHost, "versioncompatibility", "GetCurrentClientVersionUpload", apiKey,
                       "https");
}

std::string dataHost(const std::string& host) {
    if (size_t at = host.find("www."); at != std::string::npos)
        return host.substr(0, at) + "data" + host.substr(at + 3);
    if (size_t at = host.find("m."); at != std::string::npos)
        return host.substr(0, at) + "data" + host.substr(at + 1);
    return host;
}
