#pragma once
// Publishes a Studio build as a version in a server root, the way the setup
// host lays a deployment out (every file at "/<guid>-<name>"):
//
//   <guid>-<package>.zip                   the sixteen packages of the component table
//   <guid>-zbtManifest.txt                 path line, MD5 line, for every packaged file
//   <guid>-BootstrapperZARadadaVersion.txt the launcher's "FileVersion" text, byte for byte
//   <guid>-ZorbitStudioLauncherBeta.exe    the launcher, stamped with that text and the hosts
//   cdn.txt                                the content host, "name:port", nothing else
//   versionZARadada                        the GUID: this version becomes the current one
//
// Files appear under a temporary name first and the version file is written
// last, so a running server never serves half a deployment as current.

#include <cstdint>
#include <string>
#include <vector>

namespace zorbit::publish {

struct PublishOptions {
    std::string root;
    std::string guid;         // empty: a new one
    std::string buildFolder;  // laid out like a version folder
    // Empty: no launcher file is published (and no version text unless given below).
    std::string launcherPath;
    // Empty: the launcher's own "FileVersion".
    std::string launcherVersion;
    int port = 8470;
    std::string siteHost = "www.qasite1.zorbit.localhost";
    // Written to cdn.txt with the port; empty: cdn.txt is left as it is.
    std::string contentHost = "cdn.qasite1.zorbit.localhost";
    bool makeCurrent = true;  // write the version file
    bool manifestCrlf = false;
    int compressionLevel = -1;  // zlib's default
    unsigned jobs = 0;          // packages zipped at once; 0: one per core
};

struct PublishedPackage {
    std::string package;
    std::string path;  // of the zip in the root
    uint64_t zipBytes = 0;
    size_t files = 0;
    uint64_t contentBytes = 0;
};

struct ManifestLine {
    std::string path;  // relative to the version folder, backslashes
    std::string md5;
};

struct PublishResult {
    std::string guid;
    std::vector<PublishedPackage> packages;  // in table order
    std::vector<ManifestLine> manifest;
    std::string manifestPath;
    std::string versionTextPath;  // empty when none was published
    std::string launcherPath;     // empty when none was published
    std::string launcherVersion;
};

// Throws std::runtime_error (a package with nothing to hold, unreadable files,
// a full disk, a launcher without resource block).
PublishResult publishDeployment(const PublishOptions& options);

// "version-" followed by 16 lower-case hex digits.
std::string newVersionGuid();

std::string deploymentFileName(const std::string& guid, const std::string& name);

}  // namespace zorbit::publish
