#pragma once
// The Studio's install steps, in their fixed order. The "version" value is
// written last: until then the registry names the previous, complete version.

#include <functional>
#include <string>

#include "system/registry_operations.h"

class IInstallerSite;

// What the install steps need of the run besides its site (hosts, version,
// version folder, log and cancellation).
struct StudioInstall {
    bool perUser = true;
    std::string productName;
    std::string productRegistryKey;
    std::string protocolScheme;
    std::string appExeName;
    std::string launcherExeName;
    // The version the scope has installed; empty for a fresh install.
    std::function<std::string()> installedVersion;
    // Makes the version folder's tree and deploys the packages into it.
    std::function<void(bool upgrade, bool unzip)> deployComponents;
    std::function<void(const std::string& text)> setUiMessage;
    // The desktop and programs entries; never throws.
    std::function<void(bool force)> createShortcuts;
};

// Installs the site's version. classesKey is the classes key of the scope,
// opened by the file-type step when still empty.
void installStudio(IInstallerSite& site, const StudioInstall& install, RegistryKeyPtr& classesKey);

// AppSettings.xml in the site's version folder, naming the base host.
void writeAppSettings(IInstallerSite& site,
                      const std::function<void(const std::string& text)>& setUiMessage);
