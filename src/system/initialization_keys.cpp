// The registry state a run sets up first: the classes key of the install scope
// and the path of the shared cookie settings file.
#include "system/initialization_keys.h"

#include "base/logger.h"
#include "platform/registry.h"
#include "system/folder_path.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"

RegistryKeyPtr openClassesKey(simple_logger& logger, bool perUser) {
    const platform::RegistryHive hive = installRoot(perUser);
    RegistryKeyPtr key;
    throwIfRegistryFailed(
        platform::RegistryKey::root(hive).createKey(kClassesKeyPath, platform::kKeyReadWrite, key),
        "Failed to create HK**\\Software\\Classes");
    logger.log("classesKey = %s\\Software\\Classes", platform::hiveName(hive));
    return key;
}

void initializeCookiePath(simple_logger& logger) {
    try {
        if (!registeredCookiePath().empty()) return;
        storeCookiePath(getFolderPath(kFolderLocalAppDataLow, true) + "zbtcsettings.zbt");
    } catch (...) {
        logger.log("Failure during cookie path initialization");
    }
}
