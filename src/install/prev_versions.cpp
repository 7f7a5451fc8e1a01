#include "install/prev_versions.h"

#include <filesystem>

#include "base/logger.h"
#include "platform/utf8_path.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "system/version_folders.h"

namespace {

// The key, created when missing, else opened for reading.
RegistryKeyPtr openVersionsKey(bool perUser) {
    RegistryKeyPtr key;
    if (installRootKey(perUser).createKey(kAppVersionsKeyPath, platform::kKeyReadWrite, key) ==
        platform::kErrorSuccess)
        return key;
    return openKey(installRootKey(perUser), kAppVersionsKeyPath);
}

}  // namespace

void loadPrevVersions(simple_logger& logger, bool perUser, std::vector<std::string>& versions) {
    RegistryKeyPtr key = openVersionsKey(perUser);
    logger.log("Bootstrapper::loadPrevVersions path = %s", kAppVersionsKeyPath);
    if (!key) return;
    std::string version;
    for (int i = 0; tryReadStringValue(*key, prevVersionValueName(i), kPathValueChars, version);
         ++i) {
        versions.push_back(version);
        logger.log("Bootstrapper::loadPrevVersions - key found name = %s", version.c_str());
    }
}

void storePrevVersions(simple_logger& logger, bool perUser,
                       const std::vector<std::string>& versions) {
    RegistryKeyPtr key = createKey(installRootKey(perUser), kAppVersionsKeyPath);
    logger.log("Bootstrapper::storePrevVersions path = %s, perUser = %d", kAppVersionsKeyPath,
               perUser ? 1 : 0);
    std::string old;
    for (int i = 0; tryReadStringValue(*key, prevVersionValueName(i), kPathValueChars, old); ++i) {
        logger.log("Bootstrapper::storePrevVersions deleting key = %s, value = %s",
                   prevVersionValueName(i).c_str(), old.c_str());
        key->deleteValue(prevVersionValueName(i));
    }
    const std::string root = versionsRoot(perUser);
    int stored = 0;
    for (const std::string& version : versions) {
        std::error_code error;
        if (version.empty() ||
            !std::filesystem::is_directory(platform::fsPath(root + version), error))
            continue;
        const std::string name = prevVersionValueName(stored);
        logger.log("Bootstrapper::storePrevVersions storing key = %s, value = %s", name.c_str(),
                   version.c_str());
        throwIfRegistryFailed(setStringValue(*key, name, version), "SetKeyFailed");
        key->flush();
        ++stored;
    }
}
