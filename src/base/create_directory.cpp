#include "base/create_directory.h"

#include <filesystem>
#include <stdexcept>

#include "base/errors.h"
#include "base/format.h"
#include "platform/last_error.h"
#include "platform/utf8_path.h"

void createDirectory(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directory(platform::fsPath(path), error);
    if (!error) return;
    // A file where the folder should be is an error, not an existing folder.
    const std::string message = format("CreateDirectory '%s' failed", path.c_str());
    uint32_t code = platform::win32ErrorFromErrorCode(error);
    if (code == 0) code = platform::kErrorAlreadyExists;
    platform::setLastError(code);
    throwLastError(message);
    throw std::runtime_error(message);
}
