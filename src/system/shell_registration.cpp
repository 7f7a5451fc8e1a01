#include "system/shell_registration.h"

#include "base/format.h"
#include "base/logger.h"
#include "platform/local_date.h"
#include "platform/user_account.h"
#include "system/desktop_handlers.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

using platform::RegistryKey;

namespace {

const char* const kProtocolClassesPath = "SOFTWARE\\Classes\\";
const char* const kProtocolExecutePath =
    "SOFTWARE\\Microsoft\\Internet Explorer\\ProtocolExecute\\";
constexpr size_t kUserNameChars = 256;

void setString(const RegistryKey& key, const std::string& name, const std::string& text,
               const char* message, uint32_t type = platform::kRegSz) {
    throwIfRegistryFailed(setStringValue(key, name, text, type), message);
}

void setDword(const RegistryKey& key, const std::string& name, uint32_t value,
              const char* message) {
    throwIfRegistryFailed(key.setDword(name, value), message);
}

// The user name as the system's query fills a buffer of 256 wide characters.
std::string userNameForDisplay() {
    std::string name = platform::userName();
    return platform::utf16Length(name) < kUserNameChars ? name : std::string();
}

}  // namespace

void registerFileTypes(simple_logger& logger, const RegistryKey& classesKey,
                       const std::string& programDirectory, const std::string& appExeName,
                       const std::string& launcherExeName) {
    {
        RegistryKeyPtr extension =
            createKey(classesKey, kPlaceExtension, std::string(kPlaceProgId));
        RegistryKeyPtr progId = createKey(*extension, kPlaceProgId);
        createKey(*progId, "ShellNew");
    }
    RegistryKeyPtr progId = createKey(classesKey, kPlaceProgId, std::string("Zorbit Place"));
    createKey(*progId, "DefaultIcon",
              format("%s%s,0", programDirectory.c_str(), appExeName.c_str()));
    RegistryKeyPtr shell = createKey(*progId, "shell");
    RegistryKeyPtr open = createKey(*shell, "Open", std::string("Open"));
    createKey(
        *open, "command",
        format("\"%s%s\" %s \"%%1\"", programDirectory.c_str(), launcherExeName.c_str(), "-ide"));
    exportPlaceFileType(logger, classesKey.hive() == platform::RegistryHive::CurrentUser,
                        programDirectory + launcherExeName);
}

void unregisterFileTypes(simple_logger& logger, const RegistryKey& classesKey) {
    deleteKey(logger, classesKey, kPlaceExtension);
    deleteKey(logger, classesKey, kPlaceProgId);
    removePlaceFileType(logger, classesKey.hive() == platform::RegistryHive::CurrentUser);
}

void RegisterProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme,
                             const std::string& launcherPath, const std::string& appKeyPath) {
    if (scheme.empty()) return;
    const RegistryKey& root = installRootKey(perUser);
    RegistryKeyPtr appKey = openKey(root, appKeyPath, platform::kKeyReadWrite);
    if (appKey) {
        const std::string previous = readStringValue(*appKey, kProtocolSchemeValue);
        logger.log("HKCU\\%s :protocol handler scheme = %s", appKeyPath.c_str(), previous.c_str());
        if (!previous.empty()) UnregisterProtocolHandler(logger, perUser, previous);
    }
    RegistryKeyPtr schemeKey = createKey(root, kProtocolClassesPath + scheme);
    setString(*schemeKey, "", "URL: Vexmoor Protocol", "failed to set value for protocol");
    setString(*schemeKey, "URL Protocol", "", "failed to set value for protocol");
    createKey(*schemeKey, "DefaultIcon", launcherPath);
    createKey(*schemeKey, "shell\\open\\command", format("\"%s\" %%1", launcherPath.c_str()));
    // Without the application key this write fails, as the key was never opened.
    throwIfRegistryFailed(appKey ? setStringValue(*appKey, kProtocolSchemeValue, scheme)
                                 : static_cast<uint32_t>(platform::kErrorInvalidHandle),
                          "Failed to set protocol handler scheme key value");
    exportProtocolHandler(logger, perUser, scheme, launcherPath);
    deleteKey(logger, root, kProtocolExecutePath + scheme);
}

void UnregisterProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme) {
    if (scheme.empty()) return;
    deleteKeyTree(installRootKey(perUser), kProtocolClassesPath + scheme);
    removeProtocolHandler(logger, perUser, scheme);
}

void registerUninstall(const UninstallEntry& entry) {
    RegistryKeyPtr key = createKey(installRootKey(entry.perUser), kUninstallKeyPath);
    const std::string launcher = entry.programDirectory + entry.launcherExeName;
    setString(*key, "UninstallString",
              format("\"%s\" -uninstall%s", launcher.c_str(), entry.perUser ? "" : " -alluser"),
              "Failed to set UninstallString key", platform::kRegExpandSz);
    setString(*key, "Publisher", "Vexmoor", "Failed to set Publisher key");
    setString(*key, "URLInfoAbout", "https://" + entry.siteHost, "Failed to set URLInfoAbout key");
    setString(*key, "Comments", entry.version, "Failed to set Comments key");
    setString(*key, "InstallLocation", entry.programDirectory, "Failed to set InstallLocation key");
    setDword(*key, "NoModify", 1, "Failed to set NoModify key");
    setDword(*key, "NoRepair", 1, "Failed to set NoRepair key");
    setString(*key, "DisplayIcon", launcher + ",0", "Failed to set IconPath key");
    const platform::LocalDate today = platform::localDate();
    setString(*key, "InstallDate", format("%04d%02d%02d", today.year, today.month, today.day),
              "Failed to set InstallDate key");
    std::string displayName = "ZORBIT Studio";
    if (entry.perUser) displayName += " for " + userNameForDisplay();
    setString(*key, "DisplayName", displayName, "Failed to set DisplayName key");
}
