#include "install/install_steps.h"

#include <filesystem>
#include <fstream>

#include "base/errors.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "install/deploy_self.h"
#include "platform/registry.h"
#include "platform/utf8_path.h"
#include "system/folder_path.h"
#include "system/initialization_keys.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/shell_registration.h"
#include "system/shortcuts.h"
#include "system/version_folders.h"

namespace {

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(platform::fsPath(path), error);
}

// Reinstalling the installed version rewrites its files: until that is done the
// registry must not name it as complete.
void clearVersionBeingRewritten(IInstallerSite& site, const platform::RegistryKey& appKey) {
    if (readStringValue(appKey, kVersionValue) != site.versionGuid()) return;
    site.logger().log(
        "BootstrapperZARadada::DoInstallApp - reinstalling version %s, its version value "
        "is cleared until the install ends",
        site.versionGuid().c_str());
    appKey.deleteValue(kVersionValue);
}

// The application key, naming the launcher, and its install host.
RegistryKeyPtr writeAppKey(IInstallerSite& site, const StudioInstall& install,
                           const std::string& launcherPath) {
    simple_logger& logger = site.logger();
    logger.log("BootstrapperZARadada::DoInstallApp - set install key");
    RegistryKeyPtr appKey =
        createKey(installRootKey(install.perUser), install.productRegistryKey, launcherPath);
    clearVersionBeingRewritten(site, *appKey);

    logger.log("BootstrapperZARadada::DoInstallApp - set install host key value");
    throwIfRegistryFailed(setStringValue(*appKey, kInstallHostValue, site.installHost()),
                          "Failed to set install host key value");
    return appKey;
}

void deployFiles(IInstallerSite& site, const StudioInstall& install, bool upgrade) {
    simple_logger& logger = site.logger();
    site.checkCancel();
    logger.log("BootstrapperZARadada::DoInstallApp - deploying studio bootstrapper");
    deploySelf(site, install.launcherExeName);

    site.checkCancel();
    logger.log("BootstrapperZARadada::DoInstallApp - DeployComponents()");
    install.deployComponents(upgrade, true);

    site.checkCancel();
    logger.log("BootstrapperZARadada::DoInstallApp - writeAppSettings()");
    writeAppSettings(site, install.setUiMessage);
}

void registerWithTheDesktop(IInstallerSite& site, const StudioInstall& install,
                            const std::string& launcherPath, RegistryKeyPtr& classesKey) {
    simple_logger& logger = site.logger();
    site.checkCancel();
    logger.log("BootstrapperZARadada::DoInstallApp - RegisterElevationPolicy");

    site.checkCancel();
    logger.log("BootstrapperZARadada::DoInstallApp - registerFileTypes()");
    if (!classesKey) classesKey = openClassesKey(logger, install.perUser);
    registerFileTypes(logger, *classesKey, site.programDirectory(), install.appExeName,
                      install.launcherExeName);

    logger.log("BootstrapperZARadada::DoInstallApp - RegisterProtocolHandler()");
    RegisterProtocolHandler(logger, install.perUser, install.protocolScheme, launcherPath,
                            install.productRegistryKey);

    logger.log("BootstrapperZARadada::DoInstallApp - registerUninstall");
    registerUninstall({install.perUser, site.programDirectory(), install.launcherExeName,
                       site.versionGuid(), site.baseHost()});
}

void installShortcuts(IInstallerSite& site, const StudioInstall& install, bool upgrade) {
    simple_logger& logger = site.logger();
    try {
        const bool hadShortcut =
            hasOldStudioDesktopShortcut(logger) || hasDesktopShortcut(logger, kStudio2013LinkName);
        removeOldStudioShortcuts(logger, install.perUser);
        install.createShortcuts(!upgrade || hadShortcut);
    } catch (const std::exception&) {
        logger.log("BootstrapperZARadada::DoInstallApp - CreateShortcuts failed");
    }
}

void cleanupOldBeta(IInstallerSite& site, bool perUser) {
    simple_logger& logger = site.logger();
    try {
        logger.log("Cleaning up old beta leftovers");
        logger.log("Looking for old beta programs link folder");
        const std::string links =
            getFolderPath(perUser ? kFolderPrograms : kFolderCommonPrograms, false) + "ZorbitBeta/";
        if (isFolder(links)) deleteDirectory(site, links, false);
        logger.log("Looking for old beta data folder");
        const std::string data =
            getFolderPath(perUser ? kFolderLocalAppData : kFolderProgramFilesX86, false,
                          "StudioBetaVersions", true);
        if (isFolder(data)) deleteDirectory(site, data, false);
        logger.log("Deleting old beta uninstall entry");
        RegistryKeyPtr uninstallKeys = createKey(installRootKey(perUser), kUninstallKeysPath);
        deleteKey(logger, *uninstallKeys, kOldBetaUninstallKeyName);
    } catch (const std::runtime_error& e) {
        logger.log("Exception during old beta cleanup: %s", e.what());
    }
}

}  // namespace

void installStudio(IInstallerSite& site, const StudioInstall& install, RegistryKeyPtr& classesKey) {
    simple_logger& logger = site.logger();
    logger.log("BootstrapperZARadada::DoInstallApp");
    const bool upgrade = !install.installedVersion().empty();
    const std::string launcherPath = site.programDirectory() + install.launcherExeName;

    RegistryKeyPtr appKey = writeAppKey(site, install, launcherPath);
    deployFiles(site, install, upgrade);
    registerWithTheDesktop(site, install, launcherPath, classesKey);
    installShortcuts(site, install, upgrade);
    cleanupOldBeta(site, install.perUser);

    // Before the version value, so that nothing follows the mark of a complete install.
    setCurrentVersion(logger, install.perUser, install.productName, site.versionGuid(),
                      site.baseHost());
    logger.log("BootstrapperZARadada::DoInstallApp - set version key value");
    throwIfRegistryFailed(setStringValue(*appKey, kVersionValue, site.versionGuid()),
                          "Failed to set version key value");
}

void writeAppSettings(IInstallerSite& site,
                      const std::function<void(const std::string& text)>& setUiMessage) {
    setUiMessage("Configuring VEXMOOR...");
    std::ofstream out(platform::fsPath(site.programDirectory() + "AppSettings.xml"),
                      std::ios::binary | std::ios::trunc);
    // Line ends as a text-mode stream writes them on Windows: CR LF.
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        << "<Settings>\r\n"
        << "\t<ContentFolder>content</ContentFolder>\r\n"
        << "\t<BaseUrl>http://" << site.baseHost() << "</BaseUrl>\r\n"
        << "</Settings>\r\n";
}
