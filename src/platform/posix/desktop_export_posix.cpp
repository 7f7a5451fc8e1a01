// The freedesktop export: desktop entries that name the program of a file type
// or URL protocol, a shared-mime-info package for the file type, and the
// desktop's caches of both refreshed by their own tools.
#include <filesystem>

#include "platform/desktop_export.h"
#include "platform/file_replace.h"
#include "platform/helper_program.h"
#include "platform/known_folders.h"
#include "platform/posix/desktop_entry.h"
#include "platform/posix/desktop_files.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr uint32_t kRefreshTimeoutMs = 10000;

std::string dataFolder(bool perUser) {
    std::string folder = posix::applicationsFolder(perUser);
    folder.pop_back();  // the separator
    return fs::path(folder).parent_path().string() + "/";
}

// False with the last error set.
bool writeFile(const std::string& path, const std::string& content) {
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    return replaceFileContent(path, content, FileMode::Default);
}

void removeFile(const std::string& path, const ExportLog& log) {
    std::error_code error;
    if (fs::remove(path, error)) log("Removed " + path);
}

std::string handlerEntry(const std::string& name, const std::string& program,
                         const std::string& arguments, const std::string& mimeType) {
    posix::DesktopEntry entry = posix::DesktopEntry::application(name, program, arguments);
    entry.setValue("MimeType", mimeType + ";");
    entry.setValue("NoDisplay", "true");
    return entry.text();
}

std::string mimePackage(const FileTypeExport& type) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           type.mimeType +
           "\">\n"
           "    <comment>" +
           type.description +
           "</comment>\n"
           "    <glob pattern=\"*" +
           type.extension +
           "\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

void runRefresh(const std::string& tool, const std::string& folder, const ExportLog& log) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return;
    const int result = runHelperProgram(tool, {folder}, kRefreshTimeoutMs);
    if (result == kHelperNotFound || result == 0) return;
    log(tool + " " + folder + " failed: " + std::to_string(result));
}

// Runs update-desktop-database (and update-mime-database when mime is set) on
// the scope's folders, when those tools are installed; waits a bounded time.
void refreshDesktopDatabases(bool perUser, bool mime, const ExportLog& log) {
    try {
        runRefresh("update-desktop-database", posix::applicationsFolder(perUser), log);
        if (mime) runRefresh("update-mime-database", dataFolder(perUser) + "mime", log);
    } catch (const std::exception& e) {
        log(std::string("Desktop database refresh failed: ") + e.what());
    }
}

}  // namespace

std::string posix::applicationsFolder(bool perUser) {
    return knownFolderPath(perUser ? KnownFolder::Programs : KnownFolder::CommonPrograms) + "/";
}

std::string posix::mimePackagesFolder(bool perUser) {
    return dataFolder(perUser) + "mime/packages/";
}

std::string posix::protocolEntryPath(bool perUser, const std::string& scheme) {
    return applicationsFolder(perUser) + scheme + ".desktop";
}

std::string posix::fileTypeEntryPath(bool perUser, const std::string& id) {
    return applicationsFolder(perUser) + id + ".desktop";
}

std::string posix::mimePackagePath(bool perUser, const std::string& id) {
    return mimePackagesFolder(perUser) + id + ".xml";
}

std::string exportFileType(bool perUser, const FileTypeExport& type, const ExportLog& log) {
    const std::string package = posix::mimePackagePath(perUser, type.id);
    if (!writeFile(package, mimePackage(type))) return package;
    const std::string entry = posix::fileTypeEntryPath(perUser, type.id);
    if (!writeFile(entry, handlerEntry(type.handlerName, type.program, type.arguments + " %f",
                                       type.mimeType)))
        return entry;
    refreshDesktopDatabases(perUser, true, log);
    return {};
}

std::string exportProtocol(bool perUser, const ProtocolExport& protocol, const ExportLog& log) {
    const std::string entry = posix::protocolEntryPath(perUser, protocol.scheme);
    if (!writeFile(entry, handlerEntry(protocol.handlerName, protocol.program, "%u",
                                       "x-scheme-handler/" + protocol.scheme)))
        return entry;
    refreshDesktopDatabases(perUser, false, log);
    return {};
}

void removeFileType(bool perUser, const std::string& id, const ExportLog& log) {
    removeFile(posix::fileTypeEntryPath(perUser, id), log);
    removeFile(posix::mimePackagePath(perUser, id), log);
    refreshDesktopDatabases(perUser, true, log);
}

void removeProtocol(bool perUser, const std::string& scheme, const ExportLog& log) {
    removeFile(posix::protocolEntryPath(perUser, scheme), log);
    refreshDesktopDatabases(perUser, false, log);
}

}  // namespace platform
