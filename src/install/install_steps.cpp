// The Studio's install steps, in their fixed order. The "version" value is
// written last: until then the registry names the previous, complete version.
#include <filesystem>
#include <fstream>

#include "system/version_folders.h"
#include "launcher/bootstrapper_zaradada.h"
#include "base/errors.h"
#include "platform/registry.h"
#include "system/folder_path.h"
#include "system/initialization_keys.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "system/shell_registration.h"
#include "system/shortcuts.h"

namespace {

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

void BootstrapperZARadada::DoInstallApp() {
    logger().log("BootstrapperZARadada::DoInstallApp");
    const bool upgrade = !installedVersion().empty();
    const std::string launcherPath = installedLauncherPath();

    logger().log("BootstrapperZARadada::DoInstallApp - set install key");
    RegistryKeyPtr appKey = createKey(installRootKey(perUser), productRegistryKey(), launcherPath);
    clearVersionBeingRewritten(*appKey);

    logger().log("BootstrapperZARadada::DoInstallApp - set install host key value");
    throwIfRegistryFailed(setStringValue(*appKey, kInstallHostValue, installHost()),
                          "Failed to set install host key value");

    checkCancel();
    logger().log("BootstrapperZARadada::DoInstallApp - deploying studio bootstrapper");
    deploySelf();

    checkCancel();
    logger().log("BootstrapperZARadada::DoInstallApp - DeployComponents()");
    DeployComponents(upgrade, true);

    checkCancel();
    logger().log("BootstrapperZARadada::DoInstallApp - writeAppSettings()");
    writeAppSettings();

    checkCancel();
    logger().log("BootstrapperZARadada::DoInstallApp - RegisterElevationPolicy");

    checkCancel();
    logger().log("BootstrapperZARadada::DoInstallApp - registerFileTypes()");
    if (!classesKey) classesKey = ::openClassesKey(logger(), perUser);
    registerFileTypes(logger(), *classesKey, programDirectory(), appExeName(), launcherExeName());

    logger().log("BootstrapperZARadada::DoInstallApp - RegisterProtocolHandler()");
    RegisterProtocolHandler(logger(), perUser, protocolScheme(), launcherPath,
                            productRegistryKey());

    logger().log("BootstrapperZARadada::DoInstallApp - registerUninstall");
    registerUninstall({perUser, programDirectory(), launcherExeName(), versionGuid(), baseHost()});

    installShortcuts(upgrade);
    cleanupOldBeta();

    // Before the version value, so that nothing follows the mark of a complete install.
    setCurrentVersion(logger(), perUser, productName(), versionGuid(), baseHost());
    logger().log("BootstrapperZARadada::DoInstallApp - set version key value");
    throwIfRegistryFailed(setStringValue(*appKey, kVersionValue, versionGuid()),
                          "Failed to set version key value");
}

// Reinstalling the installed version rewrites its files: until that is done the
// registry must not name it as complete.
void BootstrapperZARadada::clearVersionBeingRewritten(const platform::RegistryKey& appKey) {
    if (readStringValue(appKey, kVersionValue) != versionGuid()) return;
    logger().log(
        "BootstrapperZARadada::DoInstallApp - reinstalling version %s, its version value "
        "is cleared until the install ends",
        versionGuid().c_str());
    appKey.deleteValue(kVersionValue);
}

void BootstrapperZARadada::installShortcuts(bool upgrade) {
    try {
        const bool hadShortcut = hasOldStudioDesktopShortcut(logger()) ||
                                 hasDesktopShortcut(logger(), kStudio2013LinkName);
        removeOldStudioShortcuts(logger(), perUser);
        CreateShortcuts(!upgrade || hadShortcut);
    } catch (const std::exception&) {
        logger().log("BootstrapperZARadada::DoInstallApp - CreateShortcuts failed");
    }
}

void BootstrapperZARadada::cleanupOldBeta() {
    try {
        logger().log("Cleaning up old beta leftovers");
        logger().log("Looking for old beta programs link folder");
        const std::string links =
            getFolderPath(perUser ? kFolderPrograms : kFolderCommonPrograms, false) + "ZorbitBeta/";
        if (isFolder(links)) deleteDirectory(*this, links, false);
        logger().log("Looking for old beta data folder");
        const std::string data =
            getFolderPath(perUser ? kFolderLocalAppData : kFolderProgramFilesX86, false,
                          "StudioBetaVersions", true);
        if (isFolder(data)) deleteDirectory(*this, data, false);
        logger().log("Deleting old beta uninstall entry");
        RegistryKeyPtr uninstallKeys = createKey(installRootKey(perUser), kUninstallKeysPath);
        deleteKey(logger(), *uninstallKeys, kOldBetaUninstallKeyName);
    } catch (const std::runtime_error& e) {
        logger().log("Exception during old beta cleanup: %s", e.what());
    }
}

void BootstrapperZARadada::writeAppSettings() {
    setUiMessage("Configuring VEXMOOR...");
    std::ofstream out(programDirectory() + "AppSettings.xml", std::ios::binary | std::ios::trunc);
    // Line ends as a text-mode stream writes them on Windows: CR LF.
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        << "<Settings>\r\n"
        << "\t<ContentFolder>content</ContentFolder>\r\n"
        << "\t<BaseUrl>http://" << baseHost_ << "</BaseUrl>\r\n"
        << "</Settings>\r\n";
}

std::string BootstrapperZARadada::uninstallKey() {
    return kUninstallKeyPath;
}
