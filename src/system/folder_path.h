#pragma once
// The per-user and machine folders the launcher installs into.

#include <string>

enum FolderKind : int {
    kFolderLocalAppData = 0,
    kFolderLocalAppDataLow = 1,
    kFolderProgramData = 2,
    kFolderPrograms = 3,
    kFolderCommonPrograms = 4,
    kFolderProgramFilesX86 = 5,
    kFolderDesktop = 6,
    kFolderRoamingAppData = 7,
    kFolderLocalAppDataAlias = 8,
};

// The folder of the kind, then "vexmoor-qasite1" when productFolder is set, then
// subfolder when given, ending in a separator. With create set, the folders are
// made (std::runtime_error "Failed to create directory '%s', error=%d" or
// "Failed to create subdirectory '%s', error=%d" when that fails).
std::string getFolderPath(int kind, bool create, const std::string& subfolder = {},
                          bool productFolder = false);
