#include "system/version_folders.h"

#include <algorithm>
#include <filesystem>

#include "base/create_directory.h"
#include "base/errors.h"
#include "base/format.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "platform/known_folders.h"
#include "platform/utf8_path.h"
#include "system/folder_path.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;

namespace {

const char kSeparator = platform::kPathSeparator;

int versionsKind(bool perUser) {
    return perUser ? kFolderLocalAppData : kFolderProgramFilesX86;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool isVersionFolderName(const std::string& version) {
    if (version.find_first_not_of(" \t\r\n") == std::string::npos) return false;
    return version != "." && version != ".." &&
           version.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool looksLikeVersionGuid(const std::string& name) {
    static const std::string prefix = "version-";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    return std::all_of(name.begin() + prefix.size(), name.end(), isHexDigit);
}

std::string versionsRoot(bool perUser) {
    return getFolderPath(versionsKind(perUser), true, "Versions", true);
}

namespace {

// A read-only file cannot be removed on Windows: when the first try fails,
// its write right (the read-only attribute there) is given back and it is
// tried again. A link is never changed, only removed.
bool removeFile(const fs::path& file) {
    std::error_code error;
    if (fs::remove(file, error) || !error) return true;
    fs::permissions(file, fs::perms::owner_write,
                    fs::perm_options::add | fs::perm_options::nofollow, error);
    if (error) return false;
    fs::remove(file, error);
    return !error;
}

}  // namespace

bool deleteDirectory(IInstallerSite& site, const std::string& path, bool childrenOnly) {
    site.logger().log("deleteDirectory %s childrenOnly=%d", path.c_str(), childrenOnly ? 1 : 0);
    const fs::path folderPath = platform::fsPath(path);
    std::error_code listError;
    fs::directory_iterator entries(folderPath, listError);
    if (listError) return false;
    std::error_code error;
    // Here a folder without write permission keeps its children: give it back
    // first, as resetting the attributes does elsewhere.
    fs::permissions(folderPath, fs::perms::owner_all, fs::perm_options::add, error);
    const std::string folder = path.back() == kSeparator ? path : path + kSeparator;
    bool failed = false;
    for (; entries != fs::directory_iterator(); entries.increment(listError)) {
        site.checkCancel();
        const std::string entryPath = folder + platform::utf8Path(entries->path().filename());
        if (fs::is_directory(entries->symlink_status(error))) {
            if (deleteDirectory(site, entryPath + kSeparator, false)) failed = true;
        } else if (!removeFile(platform::fsPath(entryPath))) {
            failed = true;
        }
    }
    // The listing stopped on an error rather than at its end.
    if (listError) return true;
    if (childrenOnly) return failed;
    fs::remove(folderPath, error);
    return failed || static_cast<bool>(error);
}

std::string prevVersionValueName(int index) {
    return format("version%d", index);
}

std::vector<std::string> recordedVersions(bool perUser) {
    std::vector<std::string> versions;
    RegistryKeyPtr key = openKey(installRootKey(perUser), kAppVersionsKeyPath);
    std::string version;
    for (int i = 0;
         key && tryReadStringValue(*key, prevVersionValueName(i), kPathValueChars, version); ++i)
        versions.push_back(version);
    return versions;
}

std::string versionFolder(bool perUser, const std::string& versionGuid) {
    const std::string root = versionsRoot(perUser);
    if (root.empty()) throw std::runtime_error("Failed to create programDirectory");
    // Without a usable version the Versions folder itself would pass for the
    // version folder, and the clean-up of old versions would empty it.
    if (!isVersionFolderName(versionGuid))
        throw std::runtime_error("Failed to create programDirectory: no valid version GUID '" +
                                 versionGuid + "'");
    const std::string path = root + versionGuid + kSeparator;
    createDirectory(path);
    return path;
}

std::string scopeInstalledVersion(bool perUser, const std::string& productRegistryKey) {
    RegistryKeyPtr key = openKey(installRootKey(perUser), productRegistryKey);
    return key ? readStringValue(*key, kVersionValue) : std::string();
}

void deleteVersionFolder(IInstallerSite& site, bool perUser, const std::string& version,
                         const std::function<std::string()>& currentVersion) {
    simple_logger& logger = site.logger();
    logger.log("Bootstrapper::deleteVersionFolder - version=%s", version.c_str());
    if (version.empty()) return;
    if (version == currentVersion()) {
        logger.log("Bootstrapper::deleteVersionFolder - WARNING trying to delete current version");
        return;
    }
    if (!isVersionFolderName(version)) {
        logger.log("Bootstrapper::deleteVersionFolder - WARNING not a version folder name");
        return;
    }
    try {
        const std::string root = getFolderPath(versionsKind(perUser), false, "Versions", true);
        if (root.empty()) return;
        deleteDirectory(site, root + version + kSeparator, false);
    } catch (const cancel_exception&) {
        throw;
    } catch (const installer_error_exception&) {
        throw;
    } catch (const std::exception&) {
        // Old folders are tried again at the next install.
    }
}

// Folders of the user's or of other programs (names no version of ours has) stay.
void deleteAllVersionFolders(IInstallerSite& site, bool perUser) {
    try {
        const std::string root = versionsRoot(perUser);
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(platform::fsPath(root), error)) {
            const bool folder = fs::is_directory(entry.symlink_status(error));
            if (folder && !looksLikeVersionGuid(platform::utf8Path(entry.path().filename())))
                continue;
            if (folder) {
                deleteDirectory(site, platform::utf8Path(entry.path()), false);
            } else {
                fs::remove(entry.path(), error);
            }
        }
    } catch (const cancel_exception&) {
        throw;
    } catch (const installer_error_exception&) {
        throw;
    } catch (const std::exception&) {
    }
}
