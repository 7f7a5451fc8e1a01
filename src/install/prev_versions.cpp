// The version folders made by earlier installs, remembered in the registry as
// "version0", "version1", ... under the application key's Versions subkey.
#include <filesystem>

#include "system/version_folders.h"
#include "launcher/bootstrapper.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "base/format.h"

namespace {

std::string valueName(int index) {
    return format("version%d", index);
}

// The key, created when missing. A launcher without rights to the machine's
// hive (an all-users run before it is elevated) can still read it.
RegistryKeyPtr openVersionsKey(bool perUser) {
    RegistryKeyPtr key;
    if (installRootKey(perUser).createKey(kAppVersionsKeyPath, platform::kKeyReadWrite, key) ==
        platform::kErrorSuccess)
        return key;
    return openKey(installRootKey(perUser), kAppVersionsKeyPath);
}

}  // namespace

std::vector<std::string> recordedVersions(bool perUser) {
    std::vector<std::string> versions;
    RegistryKeyPtr key = openKey(installRootKey(perUser), kAppVersionsKeyPath);
    std::string version;
    for (int i = 0; key && tryReadStringValue(*key, valueName(i), kPathValueChars, version); ++i)
        versions.push_back(version);
    return versions;
}

void Bootstrapper::loadPrevVersions() {
    RegistryKeyPtr key = openVersionsKey(perUser);
    logger_->log("Bootstrapper::loadPrevVersions path = %s", kAppVersionsKeyPath);
    if (!key) return;
    std::string version;
    for (int i = 0; tryReadStringValue(*key, valueName(i), kPathValueChars, version); ++i) {
        prevVersions.push_back(version);
        logger_->log("Bootstrapper::loadPrevVersions - key found name = %s", version.c_str());
    }
}

void Bootstrapper::storePrevVersions() {
    RegistryKeyPtr key = createKey(installRootKey(perUser), kAppVersionsKeyPath);
    logger_->log("Bootstrapper::storePrevVersions path = %s, perUser = %d", kAppVersionsKeyPath,
                 perUser ? 1 : 0);
    std::string old;
    for (int i = 0; tryReadStringValue(*key, valueName(i), kPathValueChars, old); ++i) {
        logger_->log("Bootstrapper::storePrevVersions deleting key = %s, value = %s",
                     valueName(i).c_str(), old.c_str());
        key->deleteValue(valueName(i));
    }
    const std::string root = versionsRoot(perUser);
    int stored = 0;
    for (const std::string& version : prevVersions) {
        std::error_code error;
        if (version.empty() || !std::filesystem::is_directory(root + version, error)) continue;
        const std::string name = valueName(stored);
        logger_->log("Bootstrapper::storePrevVersions storing key = %s, value = %s", name.c_str(),
                     version.c_str());
        throwIfRegistryFailed(setStringValue(*key, name, version), "SetKeyFailed");
        key->flush();
        ++stored;
    }
}
