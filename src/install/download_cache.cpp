#include "install/download_cache.h"

#include <filesystem>
#include <stdexcept>

#include "platform/registry.h"
#include "platform/utf8_path.h"
#include "system/folder_path.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

std::string downloadFolder(bool perUser) {
    const std::string folder =
        getFolderPath(perUser ? kFolderLocalAppData : kFolderProgramData, true, "Downloads", true);
    if (folder.empty()) throw std::runtime_error("Failed to create Downloads folder");
    return folder;
}

std::unique_ptr<platform::RegistryKey> openEtagStore(bool perUser) {
    return createKey(installRoot(perUser), kEtagsKeyPath);
}

std::string readStoredEtag(bool perUser, const std::string& package) {
    return readStringValue(*openEtagStore(perUser), package);
}

void writeStoredEtag(bool perUser, const std::string& package, const std::string& etag) {
    setStringValue(*openEtagStore(perUser), package, etag);
}

bool isCacheFileName(const std::string& etag) {
    return !etag.empty() && etag != "." && etag != ".." &&
           etag.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool isRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(platform::fsPath(path), error);
}
