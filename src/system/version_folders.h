#pragma once
// The Versions tree: one folder per installed version, and the recursive
// deletion the launcher uses for it and its other folders.
// Bootstrapper::programDirectory, deleteVersionFolder and deleteAllVersionFolders
// are defined in version_folders.cpp.

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
