#pragma once
// The launcher keeping itself current: compare with the published launcher,
// hand over to a newer one, and refresh the installed copies.

#include <functional>
#include <string>
#include <vector>

class CMainDialog;
class IInstallerSite;
class simple_logger;

// Set for a launcher that a self-update starts, so that it never updates itself
// in turn: a published version text that no download matches cannot make
// launchers start each other without end.
inline constexpr const char* kHandOverVariable = "ZORBIT_LAUNCHER_HANDED_OVER";

// What the check of the launcher's own version needs of the run.
struct LauncherVersionCheck {
    bool handedOver = false;  // started by another launcher's self-update
    bool failIfNotUpToDate = false;
    bool debugMode = false;
    bool interactive = true;
    bool perUser = true;
    std::string productRegistryKey;
    std::string launcherVersionFileName;
    std::string launcherExeName;
    // The process arguments (element 0 is the program): the newer launcher gets
    // the others unchanged.
    std::vector<std::string> arguments;
    CMainDialog* dialog = nullptr;  // shown before a download
    std::function<std::string()> fetchVersionGuid;
    std::function<void(const std::string& text)> setUiMessage;
    std::function<void()> beforeSelfUpdate;
    // Starts the newer launcher; environment holds "NAME=value" variables for it alone.
    std::function<void(const std::string& program, const std::string& arguments,
                       const std::vector<std::string>& environment)>
        startLauncher;
};

// Sets versionGuid to the current version, then compares the running launcher
// (selfUpdateVersion, also set) with the published one. True when it is current
// or stays in use; false when the published version cannot be read. A launcher
// that is behind starts the installed copy when that one is current, else a
// downloaded one, and throws installer_error_exception(kBoostrapVersion).
bool checkLauncherVersion(IInstallerSite& site, const LauncherVersionCheck& check,
                          std::string& versionGuid, std::string& selfUpdateVersion);

// The installed copies of the launcher (in the site's version folder and in the
// scope's Versions folder) become the running one, when a version is installed.
void refreshInstalledLaunchers(IInstallerSite& site, bool perUser,
                               const std::string& launcherExeName,
                               const std::string& installedVersion);

// Copies the running launcher over an installed copy whose content differs;
// failures are logged, never thrown.
void replaceInstalledCopy(simple_logger& logger, const std::string& installed);

// True when both files open and their contents differ.
bool filesDiffer(const std::string& a, const std::string& b);

// Where a newer launcher is downloaded: "<temporary folder>Vexmoor/<name>", or
// with the tick count and "-" in front of the name when a file there cannot be
// deleted.
std::string launcherDownloadPath(const std::string& name);

// The version text of an executable's resource block, as stored ("1, 6, 3, 173");
// empty when it has none.
std::string fileVersionText(const std::string& path);
