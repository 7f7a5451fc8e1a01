#include "install/update_source.h"

#include <filesystem>
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

std::unordered_map<std::string, std::string> parseManifest(const std::string& text) {
    std::unordered_map<std::string, std::string> lines;
    std::istringstream in(text);
    std::string path;
    std::string digest;
    while (getLine(in, path) && !path.empty() && getLine(in, digest))
        lines[nativePath(path)] = digest;
    return lines;
}

std::shared_ptr<const UpdateSource> loadUpdateSource(IInstallerSite& site,
                                                     const std::string& installedFolder) {
    simple_logger& logger = site.logger();
    std::error_code error;
    if (installedFolder.empty() ||
        !std::filesystem::is_directory(platform::fsPath(installedFolder), error)) {
        logger.log("Differential update: no installed version folder %s", installedFolder.c_str());
        return nullptr;
    }
    std::ostringstream text;
    try {
        std::string etag;
        httpGetFromCdn(site, etag, text, site.installHost(),
                       format("/%s-zbtManifest.txt", site.versionGuid().c_str()), [](int, int) {});
    } catch (const silent_exception&) {
        throw;
    } catch (const std::exception& e) {
        logger.log("Differential update: no manifest for %s: %s", site.versionGuid().c_str(),
                   e.what());
        return nullptr;
    }
    auto source = std::make_shared<UpdateSource>();
    source->installedFolder = installedFolder;
    source->manifest = parseManifest(text.str());
    if (source->manifest.empty()) {
        logger.log("Differential update: the manifest of %s is empty", site.versionGuid().c_str());
        return nullptr;
    }
    logger.log("Differential update from %s: %zu files in the manifest", installedFolder.c_str(),
               source->manifest.size());
    return source;
}
