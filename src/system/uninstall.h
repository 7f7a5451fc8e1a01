#pragma once
// Removing the Studio of one install scope. Every step works on the scope being
// removed: an all-users run that removes a per-user installation leaves the
// all-users installation alone.

#include <functional>
#include <string>
#include <vector>

class IInstallerSite;
namespace platform {
class RegistryKey;
}  // namespace platform

// The product's names and the steps of the removal that belong to the run.
struct ScopeRemoval {
    bool perUserScope = true;
    std::string uninstallKey;
    std::string productRegistryKey;
    std::string appExeName;
    std::string protocolScheme;
    // Closes the product's running programs of that image name.
    std::function<void(const std::string& imageName)> closeRunningApp;
    // Called once the scope's versions are listed, before anything is removed.
    std::function<void()> versionsListed;
    // The product's own part, with the hive root of the scope.
    std::function<void(const platform::RegistryKey& root)> uninstallApp;
    // One version folder of the scope, then all of them.
    std::function<void(const std::string& version)> deleteVersionFolder;
    std::function<void()> deleteAllVersionFolders;
};

void uninstallScope(IInstallerSite& site, const ScopeRemoval& removal);

// The version the scope has installed, then the earlier ones it recorded.
std::vector<std::string> versionsOfScope(bool perUserScope, const std::string& productRegistryKey);
