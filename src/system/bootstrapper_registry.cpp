// The Bootstrapper's own registry state: the installed version, the classes
// key of the install scope and the path of the shared cookie settings file.
#include "launcher/bootstrapper.h"
#include "launcher/errors.h"
#include "platform/registry.h"
#include "system/folder_path.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

std::string Bootstrapper::installedVersion() {
    return registeredVersion(*logger_, perUser, productRegistryKey(), machineScopeUsed);
}

void Bootstrapper::openClassesKey() {
    const platform::RegistryHive hive = installRoot(perUser);
    RegistryKeyPtr key;
    throwIfRegistryFailed(
        platform::RegistryKey::root(hive).createKey(kClassesKeyPath, platform::kKeyReadWrite, key),
        "Failed to create HK**\\Software\\Classes");
    classesKey = std::move(key);
    logger_->log("classesKey = %s\\Software\\Classes", platform::hiveName(hive));
}

void Bootstrapper::initializeCookiePath() {
    try {
        if (!registeredCookiePath().empty()) return;
        storeCookiePath(getFolderPath(kFolderLocalAppDataLow, true) + "zbtcsettings.zbt");
    } catch (...) {
        logger_->log("Failure during cookie path initialization");
    }
}
