// The earlier Studio product: its uninstaller, and what it leaves behind.
#include "system/earlier_studio.h"

#include <filesystem>

#include "base/logger.h"
#include "platform/utf8_path.h"
#include "system/folder_path.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "system/shortcuts.h"

namespace fs = std::filesystem;

namespace {

const char* const kEarlierStudioLauncherName = "ZorbitStudioLauncher.exe";

// The Versions folder of the scope, as a path only (nothing is created).
std::string versionsFolderPath(bool perUser) {
    return getFolderPath(perUser ? kFolderLocalAppData : kFolderProgramFilesX86, false, "Versions",
                         true);
}

// The uninstall string of the earlier product's entry; empty when there is none.
bool readUninstallString(simple_logger& logger, bool perUser, std::string& uninstallString) {
    RegistryKeyPtr key = openKey(installRootKey(perUser), kEarlierStudioUninstallKeyPath);
    if (!key) {
        logger.log("Bootstrapper::forceUninstallMFCStudio - failed to find install key");
        return false;
    }
    if (!tryReadStringValue(*key, "UninstallString", kUninstallStringChars, uninstallString)) {
        logger.log("Bootstrapper::forceUninstallMFCStudio - failed to find uninstall string");
        return false;
    }
    return true;
}

void runUninstaller(simple_logger& logger, const EarlierStudioRemoval& removal,
                    const std::string& uninstallString) {
    const bool perUser = removal.perUser;
    logger.log("Bootstrapper::forceUninstallMFCStudio - path: %s", uninstallString.c_str());
    // The earlier product's key is not this product's: it says nothing about
    // this launcher's scope.
    bool earlierMachineScope = false;
    const std::string version =
        registeredVersion(logger, perUser, kEarlierStudioKeyPath, earlierMachineScope);
    const std::string stub = registeredLauncherPath(perUser, kEarlierStudioKeyPath);
    removal.startUninstaller(uninstallString);
    logger.log("Bootstrapper::forceUninstallMFCStudio - deleting studio stub: %s", stub.c_str());
    std::error_code error;
    if (!stub.empty()) fs::remove(platform::fsPath(stub), error);
    logger.log("Bootstrapper::forceUninstallMFCStudio - deleting studio directory: %s",
               (versionsFolderPath(perUser) + version).c_str());
    removal.deleteVersionFolder(version);
}

}  // namespace

void uninstallEarlierStudio(simple_logger& logger, const EarlierStudioRemoval& removal) {
    logger.log("Bootstrapper::forceUninstallMFCStudio");
    if (!isComponentInstalled(removal.perUser, kEarlierStudioUninstallKeyPath)) {
        cleanUpEarlierStudio(logger, removal.perUser);
        logger.log("Bootstrapper::forceUninstallMFCStudio - not installed");
        return;
    }
    std::string uninstallString;
    if (!readUninstallString(logger, removal.perUser, uninstallString)) return;
    if (!uninstallString.empty()) runUninstaller(logger, removal, uninstallString);
    cleanUpEarlierStudio(logger, removal.perUser);
}

void cleanUpEarlierStudio(simple_logger& logger, bool perUser) {
    logger.log("Bootstrapper::forceMFCStudioCleanup - deleteCurVersionKeys");
    deleteCurVersionKeys(logger, perUser, "Studio");
    deleteLegacyShortcuts(logger, perUser);
    try {
        const std::string stub = versionsFolderPath(perUser) + kEarlierStudioLauncherName;
        logger.log("Bootstrapper::forceMFCStudioCleanup - deleting studio stub: %s", stub.c_str());
        std::error_code error;
        if (fileExists(stub)) fs::remove(platform::fsPath(stub), error);
    } catch (const std::exception&) {
        // No folder to look in: no stub either.
    }
}
