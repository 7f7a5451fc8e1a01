#pragma once
// Where the launcher keeps things: the per-user and machine-wide folders of
// the desktop, and the per-user temporary folder.

#include <string>

namespace platform {

enum class KnownFolder {
    LocalAppData,
    LocalAppDataLow,
    RoamingAppData,
    ProgramData,
    ProgramFilesX86,
    Programs,
    CommonPrograms,
    Desktop,
};

// The separator of the folders in a path on this OS.
extern const char kPathSeparator;

// The folder's path without a trailing separator. Throws std::runtime_error when
// the user's home folder cannot be found.
std::string knownFolderPath(KnownFolder folder);

// The per-user temporary folder, ending in a separator, created owner-only on
// first use. Empty when it cannot be had (the caller reports that).
std::string tempFolder();

// The user's home folder.
std::string homeFolder();

}  // namespace platform
