#include "support/published_files.h"

#include <algorithm>
#include <filesystem>

#include "platform/md5.h"
#include "support/file_contents.h"

std::string manifestPathToNative(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::vector<std::string> filesDifferingFromManifest(
    const std::string& versionFolder, const std::vector<zorbit::publish::ManifestLine>& manifest) {
    std::vector<std::string> differing;
    for (const auto& line : manifest) {
        const std::string relative = manifestPathToNative(line.path);
        const std::string path = versionFolder + relative;
        if (!std::filesystem::is_regular_file(path)) {
            differing.push_back(relative + " (missing)");
        } else if (platform::md5Hex(readFile(path)) != line.md5) {
            differing.push_back(relative);
        }
    }
    return differing;
}
