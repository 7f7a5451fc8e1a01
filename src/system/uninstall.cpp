// Removing the Studio of one install scope, and the earlier Studio product.
// Every step works on the scope being removed: an all-users run that removes a
// per-user installation leaves the all-users installation alone.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "system/version_folders.h"
#include "launcher/bootstrapper.h"
#include "platform/process.h"
#include "system/folder_path.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "system/shell_registration.h"
#include "system/shortcuts.h"

namespace fs = std::filesystem;

namespace {

const char* const kEarlierStudioLauncherName = "ZorbitStudioLauncher.exe";

// The Versions folder of the scope, as a path only (nothing is created).
std::string versionsFolderPath(bool perUser) {
    return getFolderPath(perUser ? kFolderLocalAppData : kFolderProgramFilesX86, false, "Versions",
                         true);
}

}  // namespace

void Bootstrapper::uninstall(bool perUserScope) {
    logger_->log("Bootstrapper::uninstall");
    const char* scopeText = perUserScope ? "per user" : "all users";
    const platform::RegistryKey& root = installRootKey(perUserScope);
    if (!openKey(root, uninstallKey())) {
        logger_->log("Uninstall %s nothing to do", scopeText);
        return;
    }
    logger_->log("Uninstall %s", scopeText);
    shutdownRunningApp(appExeName());
    logger_->log("Deleting HKCU\\Software\\%s", productRegistryKey().c_str());
    RegistryKeyPtr software = openKey(root, "Software", platform::kKeyWrite);
    if (!software) {
        logger_->log("WARNING: Failed to open HK**\\Software");
        return;
    }
    // The folders of the removed scope are the ones its records name: the
    // version it has installed and the earlier ones it kept. This run's own
    // version is the server's newest, which need not be on disk at all.
    const std::vector<std::string> versions = versionsOfScope(perUserScope);
    if (perUserScope == perUser) versionGuid_.clear();
    DoUninstallApp(root);

    logger_->log("Remove from Add/Remove programs");
    if (deleteSubKey(root, uninstallKey()) != platform::kErrorSuccess)
        logger_->log("WARNING: failed to delete ProductCodeKey");
    for (const std::string& version : versions) deleteVersionFolder(perUserScope, version);
    deleteLegacyShortcuts(*logger_, perUserScope);

    for (const std::string& component :
         {std::string(kEarlierStudioUninstallKeyPath), std::string(kOtherComponentUninstallKeyPath),
          uninstallKey()}) {
        if (component == uninstallKey() || !isComponentInstalled(perUserScope, component)) continue;
        logger_->log("Component %s still installed, no cleanup needed", component.c_str());
        logger_->log("Uninstall %s", perUserScope ? "per user done" : "all users done");
        return;
    }
    const std::string programs = programsFolder(perUserScope, false);
    if (!programs.empty()) {
        logger_->log("Deleting zorbit shortcuts folder = %s", programs.c_str());
        deleteDirectory(*this, programs, false);
    }
    deleteAllVersionFolders(perUserScope);
    logger_->log("Bootstrapper::uninstall - deleteDesktopShortcut");
    deleteDesktopShortcut(*logger_, "VEXMOOR Player");
    deleteDesktopShortcut(*logger_, kStudioLinkName);
    logger_->log("Bootstrapper::uninstall - deleteProgramsShortcut");
    deleteProgramsShortcut(*logger_, perUserScope, "VEXMOOR Player");
    deleteProgramsShortcut(*logger_, perUserScope, kStudioLinkName);
    deleteKey(*logger_, *software, kAppKeyName);
    UnregisterProtocolHandler(*logger_, perUserScope, protocolScheme());
    logger_->log("Uninstall %s", perUserScope ? "per user done" : "all users done");
}

std::vector<std::string> Bootstrapper::versionsOfScope(bool perUserScope) {
    std::vector<std::string> versions;
    if (RegistryKeyPtr appKey = openKey(installRootKey(perUserScope), productRegistryKey()))
        versions.push_back(readStringValue(*appKey, kVersionValue));
    for (const std::string& version : recordedVersions(perUserScope))
        if (std::find(versions.begin(), versions.end(), version) == versions.end())
            versions.push_back(version);
    return versions;
}

void Bootstrapper::forceUninstallMFCStudio() {
    logger_->log("Bootstrapper::forceUninstallMFCStudio");
    if (!isComponentInstalled(perUser, kEarlierStudioUninstallKeyPath)) {
        forceMFCStudioCleanup();
        logger_->log("Bootstrapper::forceUninstallMFCStudio - not installed");
        return;
    }
    RegistryKeyPtr key = openKey(installRootKey(perUser), kEarlierStudioUninstallKeyPath);
    if (!key) {
        logger_->log("Bootstrapper::forceUninstallMFCStudio - failed to find install key");
        return;
    }
    std::string uninstallString;
    if (!tryReadStringValue(*key, "UninstallString", kUninstallStringChars, uninstallString)) {
        logger_->log("Bootstrapper::forceUninstallMFCStudio - failed to find uninstall string");
        return;
    }
    if (!uninstallString.empty()) {
        logger_->log("Bootstrapper::forceUninstallMFCStudio - path: %s", uninstallString.c_str());
        // The earlier product's key is not this product's: it says nothing about
        // this launcher's scope.
        bool earlierMachineScope = false;
        const std::string version =
            registeredVersion(*logger_, perUser, kEarlierStudioKeyPath, earlierMachineScope);
        const std::string stub = registeredLauncherPath(perUser, kEarlierStudioKeyPath);
        platform::ProcessInfo process;
        CreateProcess(uninstallString, "", process);
        logger_->log("Bootstrapper::forceUninstallMFCStudio - deleting studio stub: %s",
                     stub.c_str());
        std::error_code error;
        if (!stub.empty()) fs::remove(stub, error);
        logger_->log("Bootstrapper::forceUninstallMFCStudio - deleting studio directory: %s",
                     (versionsFolderPath(perUser) + version).c_str());
        deleteVersionFolder(version);
    }
    forceMFCStudioCleanup();
}

void Bootstrapper::forceMFCStudioCleanup() {
    logger_->log("Bootstrapper::forceMFCStudioCleanup - deleteCurVersionKeys");
    deleteCurVersionKeys(*logger_, perUser, "Studio");
    deleteLegacyShortcuts(*logger_, perUser);
    try {
        const std::string stub = versionsFolderPath(perUser) + kEarlierStudioLauncherName;
        logger_->log("Bootstrapper::forceMFCStudioCleanup - deleting studio stub: %s",
                     stub.c_str());
        std::error_code error;
        if (fileExists(stub)) fs::remove(stub, error);
    } catch (const std::exception&) {
        // No folder to look in: no stub either.
    }
}
