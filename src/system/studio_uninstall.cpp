// The Studio's own part of an uninstall.
#include "system/studio_uninstall.h"

#include "base/logger.h"
#include "platform/registry.h"
#include "system/folder_path.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "system/shell_registration.h"
#include "system/shortcuts.h"

void uninstallStudioApp(simple_logger& logger, const platform::RegistryKey& root,
                        const StudioRemoval& studio) {
    const bool scope = root.hive() == platform::RegistryHive::CurrentUser;
    logger.log("BootstrapperZARadada::DoUninstallApp");
    logger.log("BootstrapperZARadada::DoUninstallApp - unregisterFileTypes()");
    if (scope == studio.runPerUser && studio.runClassesKey) {
        unregisterFileTypes(logger, *studio.runClassesKey);
    } else if (RegistryKeyPtr classes = openKey(root, kClassesKeyPath, platform::kKeyReadWrite)) {
        unregisterFileTypes(logger, *classes);
    }
    logger.log("BootstrapperZARadada::DoUninstallApp - UnregisterProtocolHandler");
    UnregisterProtocolHandler(logger, scope, studio.protocolScheme);
    logger.log("BootstrapperZARadada::DoUninstallApp - deleteCurVersionKeys");
    deleteCurVersionKeys(logger, scope, studio.productName);
    removeOldStudioShortcuts(logger, scope);

    logger.log("BootstrapperZARadada::DoUninstallApp - redirect to original installer");
    const std::string launcher = getFolderPath(scope ? kFolderLocalAppData : kFolderProgramFilesX86,
                                               false, "Versions", true) +
                                 studio.launcherExeName;
    RegistryKeyPtr appKey;
    // What remains must start a launcher that is there: the version folder's
    // copy goes with the version, so one is put beside it.
    if (studio.deploySelfTo(launcher)) {
        createShortcut(logger, scope, launcher, false, false);
        createShortcut(logger, scope, launcher, true, false);
        appKey = createKey(root, studio.productRegistryKey, launcher);
    } else {
        deleteDesktopShortcut(logger, kStudioLinkName);
        deleteProgramsShortcut(logger, scope, kStudioLinkName);
        appKey = createKey(root, studio.productRegistryKey);
        appKey->deleteValue("");
    }
    appKey->deleteValue(kVersionValue);
}
