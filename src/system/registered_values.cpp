#include "system/registered_values.h"

#include "base/logger.h"
#include "platform/registry.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

using platform::RegistryHive;
using platform::RegistryKey;

namespace {

// Reads the value from one hive; false when the key does not open.
bool readFromHive(RegistryHive hive, const std::string& keyPath, const std::string& valueName,
                  size_t bufferChars, std::string& value) {
    RegistryKeyPtr key = openKey(RegistryKey::root(hive), keyPath);
    if (!key) return false;
    value = readStringValue(*key, valueName, bufferChars);
    return true;
}

// HKEY_CURRENT_USER first for a per-user launcher, HKEY_LOCAL_MACHINE when that
// found nothing. With a logger, each hive that opened is logged. The machine
// scope is marked only when it answered: an empty machine hive must not turn a
// per-user launcher into an all-users one.
std::string readWithFallback(simple_logger* logger, bool perUser, const std::string& keyPath,
                             const std::string& valueName, size_t bufferChars,
                             bool* machineScopeUsed) {
    std::string value;
    for (RegistryHive hive : {RegistryHive::CurrentUser, RegistryHive::LocalMachine}) {
        if (hive == RegistryHive::CurrentUser && !perUser) continue;
        if (hive == RegistryHive::LocalMachine && !value.empty()) break;
        if (!readFromHive(hive, keyPath, valueName, bufferChars, value)) continue;
        if (logger)
            logger->log("%s\\%s :%s = %s", platform::hiveShortName(hive), keyPath.c_str(),
                        valueName.c_str(), value.c_str());
        if (hive == RegistryHive::LocalMachine && !value.empty() && machineScopeUsed)
            *machineScopeUsed = true;
    }
    return value;
}

}  // namespace

std::string registeredInstallHost(simple_logger& logger, bool perUser, const std::string& keyPath,
                                  bool& machineScopeUsed) {
    return readWithFallback(&logger, perUser, keyPath, kInstallHostValue, kShortValueChars,
                            &machineScopeUsed);
}

std::string registeredVersion(simple_logger& logger, bool perUser, const std::string& keyPath,
                              bool& machineScopeUsed) {
    return readWithFallback(&logger, perUser, keyPath, kVersionValue, kShortValueChars,
                            &machineScopeUsed);
}

std::string registeredLauncherPath(bool perUser, const std::string& keyPath) {
    return readWithFallback(nullptr, perUser, keyPath, "", kPathValueChars, nullptr);
}

std::string registeredCookiePath() {
    std::string path;
    readFromHive(RegistryHive::CurrentUser, kZorbitCorporationKeyPath, kCookiePathValue,
                 kPathValueChars, path);
    return path;
}

void storeCookiePath(const std::string& path) {
    RegistryKeyPtr key = createKey(RegistryHive::CurrentUser, kZorbitCorporationKeyPath);
    throwIfRegistryFailed(setStringValue(*key, kCookiePathValue, path),
                          "Failed to set CPath key value");
}

void setCurrentVersion(simple_logger& logger, bool perUser, const std::string& component,
                       const std::string& version, const std::string& url) {
    logger.log("setCurrentVersion - opening write registry key component=%s, version=%s, url=%s",
               component.c_str(), version.c_str(), url.c_str());
    RegistryKeyPtr key;
    if (installRootKey(perUser).createKey(kZorbitCorporationKeyPath, platform::kKeyReadWrite,
                                          key) != platform::kErrorSuccess) {
        return;
    }
    const std::string versionName = "cur" + component + "Ver";
    logger.log("Writing current version to registry for %s, version = %s, key = %s",
               component.c_str(), version.c_str(), versionName.c_str());
    logger.log("Succcess = %d", setStringValue(*key, versionName, version) == 0 ? 1 : 0);
    const std::string urlName = "cur" + component + "Url";
    logger.log("Writing current url to registry for %s, url = %s, key = %s", component.c_str(),
               url.c_str(), urlName.c_str());
    logger.log("Succcess = %d", setStringValue(*key, urlName, url) == 0 ? 1 : 0);
}

void deleteCurVersionKeys(simple_logger& logger, bool perUser, const std::string& component) {
    logger.log("deleteCurVersionKeys");
    RegistryKeyPtr key =
        openKey(installRootKey(perUser), kZorbitCorporationKeyPath, platform::kKeyWrite);
    if (!key) return;
    logger.log("deleteCurVersionKeys - key Opened");
    key->deleteValue("cur" + component + "Ver");
    key->deleteValue("cur" + component + "Url");
}
