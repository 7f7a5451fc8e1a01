#include "system/desktop_handlers.h"

#include <filesystem>
#include <stdexcept>

#include "base/errors.h"
#include "platform/file_replace.h"
#include "platform/helper_program.h"
#include "system/desktop_entry.h"
#include "system/folder_path.h"
#include "base/format.h"
#include "base/logger.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRefreshTimeoutMs = 10000;
const char* const kEntryName = "ZORBIT Studio";

std::string dataFolder(bool perUser) {
    std::string folder = applicationsFolder(perUser);
    folder.pop_back();  // the separator
    return fs::path(folder).parent_path().string() + "/";
}

void writeFile(const std::string& path, const std::string& content) {
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    if (!platform::replaceFileContent(path, content, platform::FileMode::Default))
        throw std::runtime_error(format("Failed to write %s", path.c_str()) + ": " +
                                 lastErrorText());
}

void removeFile(simple_logger& logger, const std::string& path) {
    std::error_code error;
    if (fs::remove(path, error)) logger.log("Removed %s", path.c_str());
}

std::string handlerEntry(const std::string& launcherPath, const std::string& arguments,
                         const std::string& mimeType) {
    DesktopEntry entry = DesktopEntry::application(kEntryName, launcherPath, arguments);
    entry.setValue("MimeType", mimeType + ";");
    entry.setValue("NoDisplay", "true");
    return entry.text();
}

std::string placeMimePackage() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           std::string(kPlaceMimeType) +
           "\">\n"
           "    <comment>Zorbit Place</comment>\n"
           "    <glob pattern=\"*.zbtl\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

void runRefresh(simple_logger& logger, const std::string& tool, const std::string& folder) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return;
    const int result = platform::runHelperProgram(tool, {folder}, kRefreshTimeoutMs);
    if (result == platform::kHelperNotFound || result == 0) return;
    logger.log("%s %s failed: %d", tool.c_str(), folder.c_str(), result);
}

}  // namespace

std::string applicationsFolder(bool perUser) {
    return getFolderPath(perUser ? kFolderPrograms : kFolderCommonPrograms, false);
}

std::string mimePackagesFolder(bool perUser) {
    return dataFolder(perUser) + "mime/packages/";
}

std::string protocolEntryPath(bool perUser, const std::string& scheme) {
    return applicationsFolder(perUser) + scheme + ".desktop";
}

std::string placeEntryPath(bool perUser) {
    return applicationsFolder(perUser) + kPlaceEntryName;
}

std::string placeMimePackagePath(bool perUser) {
    return mimePackagesFolder(perUser) + kPlaceMimePackageName;
}

void exportPlaceFileType(simple_logger& logger, bool perUser, const std::string& launcherPath) {
    writeFile(placeMimePackagePath(perUser), placeMimePackage());
    writeFile(placeEntryPath(perUser), handlerEntry(launcherPath, "-ide %f", kPlaceMimeType));
    refreshDesktopDatabases(logger, perUser, true);
}

void removePlaceFileType(simple_logger& logger, bool perUser) {
    try {
        removeFile(logger, placeEntryPath(perUser));
        removeFile(logger, placeMimePackagePath(perUser));
        refreshDesktopDatabases(logger, perUser, true);
    } catch (const std::exception& e) {
        logger.log("Failed to remove the place file type: %s", e.what());
    }
}

void exportProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme,
                           const std::string& launcherPath) {
    writeFile(protocolEntryPath(perUser, scheme),
              handlerEntry(launcherPath, "%u", "x-scheme-handler/" + scheme));
    refreshDesktopDatabases(logger, perUser, false);
}

void removeProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme) {
    // A scheme read from the registry names one file of the folder, nothing else.
    if (scheme.empty() || scheme.find_first_of("/\\") != std::string::npos || scheme[0] == '.')
        return;
    try {
        removeFile(logger, protocolEntryPath(perUser, scheme));
        refreshDesktopDatabases(logger, perUser, false);
    } catch (const std::exception& e) {
        logger.log("Failed to remove the protocol entry: %s", e.what());
    }
}

void refreshDesktopDatabases(simple_logger& logger, bool perUser, bool mime) {
    try {
        runRefresh(logger, "update-desktop-database", applicationsFolder(perUser));
        if (mime) runRefresh(logger, "update-mime-database", dataFolder(perUser) + "mime");
    } catch (const std::exception& e) {
        logger.log("Desktop database refresh failed: %s", e.what());
    }
}
