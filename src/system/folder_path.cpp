#include "system/folder_path.h"

#include <filesystem>
#include <stdexcept>

#include "base/format.h"
#include "platform/known_folders.h"
#include "platform/last_error.h"
#include "platform/utf8_path.h"

namespace {

platform::KnownFolder knownFolderOf(int kind) {
    switch (kind) {
        case kFolderLocalAppData:
        case kFolderLocalAppDataAlias:
            return platform::KnownFolder::LocalAppData;
        case kFolderLocalAppDataLow:
            return platform::KnownFolder::LocalAppDataLow;
        case kFolderProgramData:
            return platform::KnownFolder::ProgramData;
        case kFolderPrograms:
            return platform::KnownFolder::Programs;
        case kFolderCommonPrograms:
            return platform::KnownFolder::CommonPrograms;
        case kFolderProgramFilesX86:
            return platform::KnownFolder::ProgramFilesX86;
        case kFolderDesktop:
            return platform::KnownFolder::Desktop;
        case kFolderRoamingAppData:
            return platform::KnownFolder::RoamingAppData;
    }
    throw std::runtime_error(format("Unknown folder kind %d", kind));
}

// Creates the folder and its parents; an existing one is fine.
void createFolder(const std::string& path, const char* message) {
    std::error_code error;
    const std::filesystem::path folder = platform::fsPath(path);
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        const uint32_t code = error ? platform::win32ErrorFromErrorCode(error)
                                    : static_cast<uint32_t>(platform::kErrorAlreadyExists);
        platform::setLastError(code);
        throw std::runtime_error(format(message, path.c_str(), static_cast<int>(code)));
    }
}

}  // namespace

std::string getFolderPath(int kind, bool create, const std::string& subfolder, bool productFolder) {
    std::string path = platform::knownFolderPath(knownFolderOf(kind));
    const char separator = platform::kPathSeparator;
    if (productFolder) path += separator + std::string("vexmoor-qasite1");
    path += separator;
    if (create) createFolder(path, "Failed to create directory '%s', error=%d");
    if (!subfolder.empty()) {
        path += subfolder;
        if (create) createFolder(path, "Failed to create subdirectory '%s', error=%d");
    }
    if (path.back() != separator) path += separator;
    return path;
}
