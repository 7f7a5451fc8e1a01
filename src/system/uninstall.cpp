// Removing the Studio of one install scope.
#include "system/uninstall.h"

#include <algorithm>

#include "base/installer_site.h"
#include "base/logger.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "system/shell_registration.h"
#include "system/shortcuts.h"
#include "system/version_folders.h"

namespace {

// Another product of the platform still uses the shared folders and shortcuts.
bool otherComponentInstalled(simple_logger& logger, const ScopeRemoval& removal) {
    for (const std::string& component :
         {std::string(kEarlierStudioUninstallKeyPath), std::string(kOtherComponentUninstallKeyPath),
          removal.uninstallKey}) {
        if (component == removal.uninstallKey ||
            !isComponentInstalled(removal.perUserScope, component))
            continue;
        logger.log("Component %s still installed, no cleanup needed", component.c_str());
        return true;
    }
    return false;
}

void removeSharedParts(IInstallerSite& site, const ScopeRemoval& removal,
                       const platform::RegistryKey& software) {
    simple_logger& logger = site.logger();
    const bool perUserScope = removal.perUserScope;
    const std::string programs = programsFolder(perUserScope, false);
    if (!programs.empty()) {
        logger.log("Deleting zorbit shortcuts folder = %s", programs.c_str());
        deleteDirectory(site, programs, false);
    }
    removal.deleteAllVersionFolders();
    logger.log("Bootstrapper::uninstall - deleteDesktopShortcut");
    deleteDesktopShortcut(logger, "VEXMOOR Player");
    deleteDesktopShortcut(logger, kStudioLinkName);
    logger.log("Bootstrapper::uninstall - deleteProgramsShortcut");
    deleteProgramsShortcut(logger, perUserScope, "VEXMOOR Player");
    deleteProgramsShortcut(logger, perUserScope, kStudioLinkName);
    deleteKey(logger, software, kAppKeyName);
    UnregisterProtocolHandler(logger, perUserScope, removal.protocolScheme);
}

}  // namespace

void uninstallScope(IInstallerSite& site, const ScopeRemoval& removal) {
    simple_logger& logger = site.logger();
    logger.log("Bootstrapper::uninstall");
    const bool perUserScope = removal.perUserScope;
    const char* scopeText = perUserScope ? "per user" : "all users";
    const platform::RegistryKey& root = installRootKey(perUserScope);
    if (!openKey(root, removal.uninstallKey)) {
        logger.log("Uninstall %s nothing to do", scopeText);
        return;
    }
    logger.log("Uninstall %s", scopeText);
    removal.closeRunningApp(removal.appExeName);
    logger.log("Deleting HKCU\\Software\\%s", removal.productRegistryKey.c_str());
    RegistryKeyPtr software = openKey(root, "Software", platform::kKeyWrite);
    if (!software) {
        logger.log("WARNING: Failed to open HK**\\Software");
        return;
    }
    // The folders of the removed scope are the ones its records name: the
    // version it has installed and the earlier ones it kept. This run's own
    // version is the server's newest, which need not be on disk at all.
    const std::vector<std::string> versions =
        versionsOfScope(perUserScope, removal.productRegistryKey);
    removal.versionsListed();
    removal.uninstallApp(root);

    logger.log("Remove from Add/Remove programs");
    if (deleteSubKey(root, removal.uninstallKey) != platform::kErrorSuccess)
        logger.log("WARNING: failed to delete ProductCodeKey");
    for (const std::string& version : versions) removal.deleteVersionFolder(version);
    deleteLegacyShortcuts(logger, perUserScope);

    if (!otherComponentInstalled(logger, removal)) removeSharedParts(site, removal, *software);
    logger.log("Uninstall %s", perUserScope ? "per user done" : "all users done");
}

std::vector<std::string> versionsOfScope(bool perUserScope, const std::string& productRegistryKey) {
    std::vector<std::string> versions;
    if (RegistryKeyPtr appKey = openKey(installRootKey(perUserScope), productRegistryKey))
        versions.push_back(readStringValue(*appKey, kVersionValue));
    for (const std::string& version : recordedVersions(perUserScope))
        if (std::find(versions.begin(), versions.end(), version) == versions.end())
            versions.push_back(version);
    return versions;
}
