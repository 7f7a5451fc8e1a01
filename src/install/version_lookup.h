#pragma once
// Which build of the product is current: the version GUID, from the install
// host's version file or from the version-compatibility service.

#include <cstdint>
#include <functional>
#include <string>

class IInstallerSite;
class simple_logger;

// Asks the servers for the version GUID of one version file.
using VersionRequest = std::function<std::string(const std::string& versionFileName)>;

// How the servers are asked.
struct VersionSource {
    std::string binaryType;  // the service is asked only for a product that has one
    bool useNewVersionFetch = false;
    int32_t correlationId = 0;  // the run's number, sent with the version file's request
};

// The version GUID of the version file, requested once per process: the answer
// is kept for every later lookup, a failure is not. Throws when the request
// fails or answers no usable version folder name.
std::string fetchVersionGuid(simple_logger& logger, const std::string& versionFileName,
                             const VersionRequest& request);

// One request: the version-compatibility service when the new fetch is on and
// the product has a binary type, else the install host's version file. The
// answer as sent, without double quotes or from its first NUL on.
std::string requestVersionGuid(IInstallerSite& site, const std::string& versionFileName,
                               const VersionSource& source);

namespace version_lookup_testing {
// Empties the cache so the next lookup asks the server again.
void clearCache();
}  // namespace version_lookup_testing
