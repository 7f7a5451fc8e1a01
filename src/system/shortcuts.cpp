#include "system/shortcuts.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "base/errors.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "platform/clock.h"
#include "platform/shortcut.h"
#include "platform/utf8_path.h"
#include "system/folder_path.h"
#include "system/version_folders.h"

namespace fs = std::filesystem;

namespace {

const char* const kEarlierStudioLauncherName = "ZorbitStudioLauncher.exe";
const char* const kPlayerExeName = "Zorbit.exe";
const char* const kLegacyLinkNames[] = {"Play Zorbit", "ZORBIT Studio Beta", "ZORBIT Studio 2.0",
                                        "ZORBIT Studio 2.0 Beta"};
const char* const kOldStudioDesktopNames[] = {"ZORBIT Studio Beta", "ZORBIT Studio 2.0",
                                              "ZORBIT Studio 2.0 Beta", "Zorbit Studio"};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void throwSaveFailed() {
    throw std::runtime_error("IPersistFile Save failed: " + lastErrorText());
}

void retarget(simple_logger& logger, platform::ShortcutFile& shortcut, const std::string& file,
              const std::string& target, const char* line) {
    logger.log(line, file.c_str(), target.c_str());
    if (!shortcut.retarget(target)) throwSaveFailed();
}

void updateShortcut(simple_logger& logger, const std::string& file,
                    const std::string& programDirectory, const std::string& versionsFolder,
                    const std::string& ownName) {
    std::optional<platform::ShortcutFile> shortcut = platform::ShortcutFile::load(file);
    if (!shortcut) throw std::runtime_error("IPersistFile Load failed: " + lastErrorText());
    logger.log("Link found: %s", file.c_str());
    const std::string target = shortcut->target();
    if (contains(target, ownName)) {
        retarget(logger, *shortcut, file, programDirectory + ownName,
                 "Updating link: %s with path: %s");
        return;
    }
    logger.log("updateExistingZorbitShortcuts isStudio = %d",
               ownName == kEarlierStudioLauncherName);
    // Entries of the player are not the Studio's to change.
    if (contains(target, kPlayerExeName)) return;
    for (const std::string& name : {std::string(kEarlierStudioLauncherName), ownName}) {
        if (!contains(target, name)) continue;
        logger.log("Studio bootstrapper found name = %s", name.c_str());
        retarget(logger, *shortcut, file, versionsFolder + ownName,
                 "Old studio link - updating link: %s with path: %s");
        return;
    }
}

// Deletes the link called name in folder when it exists; logs as the caller names itself.
bool deleteShortcutIn(simple_logger& logger, const std::string& folder, const std::string& name,
                      const char* line) {
    if (folder.empty()) return false;
    const std::string file = shortcutFilePath(folder, name);
    if (!fileExists(file)) return false;
    logger.log(line, file.c_str());
    std::error_code error;
    return fs::remove(platform::fsPath(file), error);
}

}  // namespace

std::string desktopFolder() {
    try {
        return getFolderPath(kFolderDesktop, false);
    } catch (const std::exception&) {
        return {};
    }
}

std::string programsFolder(bool perUser, bool create) {
    return getFolderPath(perUser ? kFolderPrograms : kFolderCommonPrograms, create, {}, true);
}

std::string shortcutFilePath(const std::string& folder, const std::string& name) {
    return platform::shortcutPath(folder, name);
}

bool fileExists(const std::string& path) {
    std::error_code error;
    const fs::path filePath = platform::fsPath(path);
    if (fs::is_directory(filePath, error)) return false;
    return static_cast<bool>(std::ifstream(filePath, std::ios::binary));
}

void writeShortcutFile(const std::string& file, const std::string& target) {
    const std::string name = platform::utf8Path(platform::fsPath(file).stem());
    if (!platform::writeShortcut(file, {name, target, "-ide"})) throwSaveFailed();
}

void createShortcut(simple_logger& logger, bool perUser, const std::string& target, bool desktop,
                    bool force) {
    // The programs folder is made only for an entry that is written.
    const std::string folder = desktop ? desktopFolder() : programsFolder(perUser, force);
    if (folder.empty()) throw std::runtime_error("Failed to create Shortcuts folder");
    const std::string file = shortcutFilePath(folder, kStudioLinkName);
    const bool exists = fileExists(file);
    logger.log("shortcut status: '%s', exists = %d", file.c_str(), exists ? 1 : 0);
    if (!force && !exists) return;
    // A desktop that has no folder (no desktop at all) gets no entry.
    std::error_code error;
    if (desktop && !fs::is_directory(platform::fsPath(folder), error)) return;
    logger.log("Creating shortcut: %s", file.c_str());
    writeShortcutFile(file, target);
}

void updateExistingZorbitShortcuts(simple_logger& logger, const std::string& folder,
                                   const std::string& programDirectory,
                                   const std::string& versionsFolder,
                                   const std::string& launcherExeName) {
    logger.log("Searching for link files in : %s folder", folder.c_str());
    std::error_code error;
    for (fs::directory_iterator it(platform::fsPath(folder), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = platform::utf8Path(it->path().filename());
        if (it->is_directory(error) || !platform::isShortcutFileName(name)) continue;
        updateShortcut(logger, folder + name, programDirectory, versionsFolder, launcherExeName);
    }
}

bool hasDesktopShortcut(simple_logger& logger, const std::string& name) {
    logger.log("hasDesktopShortcut - %s", name.c_str());
    const std::string folder = desktopFolder();
    logger.log("hasDesktopShortcut - checking folder = %s", folder.c_str());
    const std::string file = folder.empty() ? std::string() : shortcutFilePath(folder, name);
    logger.log("hasDesktopShortcut - is empty path = %s", file.c_str());
    if (file.empty()) return false;
    logger.log("hasDesktopShortcut - checking file = %s", file.c_str());
    return fileExists(file);
}

bool deleteDesktopShortcut(simple_logger& logger, const std::string& name) {
    logger.log("deleteDesktopShortcut - %s", name.c_str());
    return deleteShortcutIn(logger, desktopFolder(), name, "deleteDesktopShortcut - %s");
}

void deleteProgramsShortcut(simple_logger& logger, bool perUser, const std::string& name) {
    logger.log("deleteProgramsShortcut - %s", name.c_str());
    try {
        deleteShortcutIn(logger, programsFolder(perUser, false), name,
                         "deleteProgramsShortcut - %s");
    } catch (const std::exception&) {
        // No programs folder: nothing to delete.
    }
}

void deleteLegacyShortcuts(simple_logger& logger, bool perUser) {
    logger.log("Bootstrapper::deleteLegacyShortcuts - deleteDesktopShortcut");
    for (const char* name : kLegacyLinkNames) deleteDesktopShortcut(logger, name);
    logger.log("Bootstrapper::deleteLegacyShortcuts - deleteProgramsShortcut");
    for (const char* name : kLegacyLinkNames) deleteProgramsShortcut(logger, perUser, name);
}

bool hasOldStudioDesktopShortcut(simple_logger& logger) {
    for (const char* name : kOldStudioDesktopNames)
        if (hasDesktopShortcut(logger, name)) return true;
    return false;
}

void removeOldStudioShortcuts(simple_logger& logger, bool perUser) {
    deleteLegacyShortcuts(logger, perUser);
    deleteDesktopShortcut(logger, kStudio2013LinkName);
    deleteProgramsShortcut(logger, perUser, kStudio2013LinkName);
}

void createStudioShortcuts(IInstallerSite& site, const StudioShortcuts& studio, bool force) {
    simple_logger& logger = site.logger();
    studio.registerEvent("BoostrapperCreateShortcutsStarted");
    try {
        logger.log(
            "Bootstrapper::CreateShortcuts force = %d, link = '%s', exeName = '%s', params = '%s'",
            force ? 1 : 0, kStudioLinkName, studio.launcherExeName.c_str(), "-ide");
        const std::string target = studio.installedLauncherPath();
        createShortcut(logger, studio.perUser, target, false, true);
        createShortcut(logger, studio.perUser, target, true, force);
        const uint32_t start = platform::tickCount();
        updateExistingZorbitShortcuts(logger, desktopFolder(), site.programDirectory(),
                                      versionsRoot(studio.perUser), studio.launcherExeName);
        logger.log("Folders update time %d msec", static_cast<int>(platform::tickCount() - start));
        studio.registerEvent("BoostrapperCreateShortcutsSuccess");
    } catch (const std::runtime_error& e) {
        logger.log("%s", e.what());
        studio.registerEvent("BoostrapperCreateShortcutsFailure");
    }
}
