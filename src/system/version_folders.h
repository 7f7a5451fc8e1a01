#pragma once
// The Versions tree: one folder per installed version, the scope's record of
// the folders earlier installs made, and the recursive deletion the launcher
// uses for them and its other folders.

#include <functional>
#include <string>
#include <vector>

class IInstallerSite;

// A version GUID that can name one folder directly under Versions: not empty or
// blank, not "." or "..", without a separator or a NUL byte.
bool isVersionFolderName(const std::string& version);

// The form this platform gives its version GUIDs, "version-" and hex digits
// (as the servers publish them): only folders of that name, or ones an earlier
// run recorded, are taken for version folders left by this launcher.
bool looksLikeVersionGuid(const std::string& name);

// The registry value of the index-th entry of the list of previous versions:
// "version0", "version1", ... under the application key's Versions subkey.
std::string prevVersionValueName(int index);

// The version GUIDs the scope's list of previous versions holds, in order
// (nothing is created).
std::vector<std::string> recordedVersions(bool perUser);

// The Versions folder of the scope (local application data per user, the
// 32-bit program files folder for all users), created; throws when it cannot be.
std::string versionsRoot(bool perUser);

// Removes everything in the folder (path ends in a separator) and, unless
// childrenOnly, the folder itself. Dot-files and read-only files go too;
// symbolic links are removed, never followed. Answers true when something
// could not be removed; a missing folder answers false. Throws only what the
// site's checkCancel throws, which it runs before every entry.
bool deleteDirectory(IInstallerSite& site, const std::string& path, bool childrenOnly);

// The folder of that version under the scope's Versions folder, created when
// missing; throws when it cannot be or the version cannot name a folder.
std::string versionFolder(bool perUser, const std::string& versionGuid);

// The version the scope's own product key records; empty when it has none.
std::string scopeInstalledVersion(bool perUser, const std::string& productRegistryKey);

// Removes the version's folder from the scope's Versions folder, unless the
// version is empty, currentVersion() (asked only for a non-empty version) or no
// version folder name. Throws only cancellations and installer errors: a
// folder that stays is tried again at the next install.
void deleteVersionFolder(IInstallerSite& site, bool perUser, const std::string& version,
                         const std::function<std::string()>& currentVersion);

// Every version folder and file of the scope's Versions folder; the folder itself
// and folders whose names no version of ours has stay. Throws as deleteVersionFolder.
void deleteAllVersionFolders(IInstallerSite& site, bool perUser);
