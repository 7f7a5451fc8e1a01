#include "install/update_source.h"

#include <filesystem>
#include <functional>
#include <future>
#include <sstream>

#include "base/errors.h"
#include "base/format.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "install/native_path.h"
#include "net/cdn_selection.h"
#include "platform/utf8_path.h"

namespace {

bool getLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

std::string UpdateSource::digestOf(const std::string& relativePath) const {
    const auto found = manifest.find(relativePath);
    return found == manifest.end() ? std::string() : found->second;
}

std::string UpdateSource::digestToCheck(const std::string& relativePath) const {
    std::string digest = digestOf(relativePath);
    const auto installed = installedManifest.find(relativePath);
    if (!digest.empty() && installed != installedManifest.end() && installed->second == digest)
        return {};
    return digest;
}

std::unordered_map<std::string, std::string> parseManifest(const std::string& text) {
    std::unordered_map<std::string, std::string> lines;
    std::istringstream in(text);
    std::string path;
    std::string digest;
    while (getLine(in, path) && !path.empty() && getLine(in, digest))
        lines[nativePath(path)] = digest;
    return lines;
}

namespace {

using Manifest = std::unordered_map<std::string, std::string>;

// The version's manifest, parsed where it was fetched; throws what the transfer throws.
Manifest fetchManifest(IInstallerSite& site, const std::string& guid) {
    std::ostringstream text;
    std::string etag;
    httpGetFromCdn(site, etag, text, site.installHost(),
                   format("/%s-zbtManifest.txt", guid.c_str()), [](int, int) {});
    return parseManifest(text.str());
}

// The GUID an installed version folder is named after.
std::string folderName(const std::string& folder) {
    std::string trimmed = folder;
    while (!trimmed.empty() && (trimmed.back() == '/' || trimmed.back() == '\\'))
        trimmed.pop_back();
    return trimmed.substr(trimmed.find_last_of("/\\") + 1);
}

// The installed version's manifest, fetched beside the new one; none when it
// cannot be had (every file taken over is then hashed).
Manifest installedManifestOf(IInstallerSite& site, std::future<Manifest>& manifest,
                             const std::string& guid) {
    try {
        return manifest.get();
    } catch (const silent_exception&) {
        throw;
    } catch (const std::exception& e) {
        site.logger().log("Differential update: no manifest for the installed %s: %s", guid.c_str(),
                          e.what());
        return {};
    }
}

}  // namespace

std::shared_ptr<const UpdateSource> loadUpdateSource(IInstallerSite& site,
                                                     const std::string& installedFolder,
                                                     const std::string& stampsPath) {
    simple_logger& logger = site.logger();
    std::error_code error;
    if (installedFolder.empty() ||
        !std::filesystem::is_directory(platform::fsPath(installedFolder), error)) {
        logger.log("Differential update: no installed version folder %s", installedFolder.c_str());
        return nullptr;
    }
    const std::string installedGuid = folderName(installedFolder);
    std::future<Manifest> installedManifest =
        std::async(std::launch::async, fetchManifest, std::ref(site), installedGuid);
    std::future<Manifest> newManifest =
        std::async(std::launch::async, fetchManifest, std::ref(site), site.versionGuid());
    auto source = std::make_shared<UpdateSource>();
    // While the manifests come.
    if (!stampsPath.empty()) source->installedStamps.load(stampsPath, installedGuid);
    try {
        source->manifest = newManifest.get();
    } catch (const silent_exception&) {
        throw;
    } catch (const std::exception& e) {
        logger.log("Differential update: no manifest for %s: %s", site.versionGuid().c_str(),
                   e.what());
        return nullptr;
    }
    source->installedFolder = installedFolder;
    source->installedManifest = installedManifestOf(site, installedManifest, installedGuid);
    if (source->manifest.empty()) {
        logger.log("Differential update: the manifest of %s is empty", site.versionGuid().c_str());
        return nullptr;
    }
    logger.log(
        "Differential update from %s: %zu files in the manifest, %zu in the installed one, %zu "
        "in the record of the installed files",
        installedFolder.c_str(), source->manifest.size(), source->installedManifest.size(),
        source->installedStamps.size());
    return source;
}
