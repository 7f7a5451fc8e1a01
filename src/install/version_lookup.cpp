#include "install/version_lookup.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <sstream>

#include "base/format.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "net/api_urls.h"
#include "net/http_client.h"
#include "system/version_folders.h"

namespace {

// The service takes the key in its lower-case form.
constexpr const char* kVersionServiceApiKey = "3f9c1d27-8b4e-4a6d-b2c5-9e71f0a4d863";

// Shared by every lookup of the process; filled only by successful ones.
struct VersionCache {
    std::mutex lock;
    std::map<std::string, std::string> guids;
};

VersionCache& versionCache() {
    static VersionCache cache;
    return cache;
}

// The answer names the version folder and prefixes every download: an answer
// that cannot do so is a failed lookup, not a version.
void requireUsableVersionGuid(const std::string& guid) {
    if (guid.find_first_not_of(" \t\r\n") == std::string::npos)
        throw std::runtime_error("The version lookup answered an empty version GUID");
    if (!isVersionFolderName(guid))
        throw std::runtime_error(format(
            "The version lookup answered '%s', which cannot name a version folder", guid.c_str()));
}

}  // namespace

std::string fetchVersionGuid(simple_logger& logger, const std::string& name,
                             const VersionRequest& request) {
    logger.log("Bootstrapper::fetchVersionGuid");
    VersionCache& cache = versionCache();
    {
        std::lock_guard guard(cache.lock);
        if (auto found = cache.guids.find(name); found != cache.guids.end()) {
            logger.log("Bootstrapper::fetchVersionGuid - found in cache: %s",
                       found->second.c_str());
            return found->second;
        }
    }
    const std::string guid = request(name);
    requireUsableVersionGuid(guid);
    {
        std::lock_guard guard(cache.lock);
        cache.guids.emplace(name, guid);
    }
    logger.log("Bootstrapper::fetchVersionGuid - installVersion: %s", guid.c_str());
    return guid;
}

std::string requestVersionGuid(IInstallerSite& site, const std::string& versionFileName,
                               const VersionSource& source) {
    if (source.useNewVersionFetch && !source.binaryType.empty()) {
        const std::string url = versionCompatibilityUrl(site.baseHost(), kVersionServiceApiKey) +
                                "&binaryType=" + source.binaryType;
        std::string guid = httpGetString(url);
        // The service may quote its answer; no quote belongs to a version GUID.
        guid.erase(std::remove(guid.begin(), guid.end(), '"'), guid.end());
        return guid;
    }
    // The number keeps caches between us and the install host from answering.
    const std::string path = "/" + versionFileName + format("?guid%d", source.correlationId);
    std::string etag;
    std::stringstream body;
    httpGet(site, etag, body, true, site.installHost(), path, [](int, int) {});
    const std::string text = body.str();
    return text.substr(0, text.find('\0'));
}

namespace version_lookup_testing {

void clearCache() {
    std::lock_guard guard(versionCache().lock);
    versionCache().guids.clear();
}

}  // namespace version_lookup_testing
