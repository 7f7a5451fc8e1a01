// The Studio's own part of an uninstall: its registrations go, and what remains
// of it (shortcuts, the application key) points at the launcher in the Versions
// folder, so that a later start from them can install again.
#include "launcher/bootstrapper_zaradada.h"
#include "platform/registry.h"
#include "system/folder_path.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "system/shell_registration.h"
#include "system/shortcuts.h"

void BootstrapperZARadada::DoUninstallApp(const platform::RegistryKey& root) {
    const bool scope = root.hive() == platform::RegistryHive::CurrentUser;
    logger().log("BootstrapperZARadada::DoUninstallApp");
    logger().log("BootstrapperZARadada::DoUninstallApp - unregisterFileTypes()");
    if (scope == perUser && classesKey) {
        unregisterFileTypes(logger(), *classesKey);
    } else if (RegistryKeyPtr classes = openKey(root, kClassesKeyPath, platform::kKeyReadWrite)) {
        unregisterFileTypes(logger(), *classes);
    }
    logger().log("BootstrapperZARadada::DoUninstallApp - UnregisterProtocolHandler");
    UnregisterProtocolHandler(logger(), scope, protocolScheme());
    logger().log("BootstrapperZARadada::DoUninstallApp - deleteCurVersionKeys");
    deleteCurVersionKeys(logger(), scope, productName());
    removeOldStudioShortcuts(logger(), scope);

    logger().log("BootstrapperZARadada::DoUninstallApp - redirect to original installer");
    const std::string launcher = getFolderPath(scope ? kFolderLocalAppData : kFolderProgramFilesX86,
                                               false, "Versions", true) +
                                 launcherExeName();
    RegistryKeyPtr appKey;
    // What remains must start a launcher that is there: the version folder's
    // copy goes with the version, so one is put beside it.
    if (deploySelfTo(launcher)) {
        createShortcut(logger(), scope, launcher, false, false);
        createShortcut(logger(), scope, launcher, true, false);
        appKey = createKey(root, productRegistryKey(), launcher);
    } else {
        deleteDesktopShortcut(logger(), kStudioLinkName);
        deleteProgramsShortcut(logger(), scope, kStudioLinkName);
        appKey = createKey(root, productRegistryKey());
        appKey->deleteValue("");
    }
    appKey->deleteValue(kVersionValue);
}
