#pragma once
// The Studio's shortcuts (platform/shortcut.h): "ZORBIT Studio" and the names
// of earlier generations, each starting a launcher with "-ide". They live on the
// desktop and in the Programs folder of the scope, under the product folder.

#include <functional>
#include <string>

class IInstallerSite;
class simple_logger;

inline constexpr const char* kStudioLinkName = "ZORBIT Studio";
inline constexpr const char* kStudio2013LinkName = "ZORBIT Studio 2013";

// The desktop folder, or empty when there is none to be had.
std::string desktopFolder();
// The Programs (per user) or CommonPrograms folder with the product folder.
std::string programsFolder(bool perUser, bool create);
// The file of the shortcut called name in folder.
std::string shortcutFilePath(const std::string& folder, const std::string& name);

// True when the file opens for reading.
bool fileExists(const std::string& path);

// Writes a shortcut that starts target with "-ide", named after the file,
// replacing any file there.
// Raises std::runtime_error "IPersistFile Save failed: <system text>".
void writeShortcutFile(const std::string& file, const std::string& target);

// The "ZORBIT Studio" entry on the desktop or in the programs folder: written
// when force is set or when it exists already (then retargeted). Raises
// std::runtime_error.
void createShortcut(simple_logger& logger, bool perUser, const std::string& target, bool desktop,
                    bool force);

// Points every entry of the folder that starts a launcher of this product at the
// current one: entries of launcherExeName at the program directory's copy,
// entries of the earlier Studio's launcher at the Versions folder's copy. Other
// entries are left alone. Raises std::runtime_error when an entry cannot be
// read ("IPersistFile Load failed") or written ("IPersistFile Save failed").
void updateExistingZorbitShortcuts(simple_logger& logger, const std::string& folder,
                                   const std::string& programDirectory,
                                   const std::string& versionsFolder,
                                   const std::string& launcherExeName);

bool hasDesktopShortcut(simple_logger& logger, const std::string& name);
// True when a file was deleted. Never raises.
bool deleteDesktopShortcut(simple_logger& logger, const std::string& name);
// Never raises.
void deleteProgramsShortcut(simple_logger& logger, bool perUser, const std::string& name);

// The names of earlier generations, from the desktop and the programs folder.
void deleteLegacyShortcuts(simple_logger& logger, bool perUser);
// A desktop shortcut of an earlier Studio exists.
bool hasOldStudioDesktopShortcut(simple_logger& logger);
// The legacy names, and "ZORBIT Studio 2013" from the desktop and the programs folder.
void removeOldStudioShortcuts(simple_logger& logger, bool perUser);

// What the Studio's shortcuts need of the run.
struct StudioShortcuts {
    bool perUser = true;
    std::string launcherExeName;
    // Asked as the step runs: a path that cannot be had fails the step alone.
    std::function<std::string()> installedLauncherPath;
    std::function<void(const std::string& event)> registerEvent;
};

// The programs folder's "ZORBIT Studio" always, the desktop's when forced or
// present, then every desktop shortcut of a launcher of this product pointed at
// the current one. Never raises: a failure is logged and registered as an event.
void createStudioShortcuts(IInstallerSite& site, const StudioShortcuts& studio, bool force);
