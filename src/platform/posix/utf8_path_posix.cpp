// Paths on Linux are bytes, and the launcher's text is UTF-8 already.
#include "platform/utf8_path.h"

namespace platform {

std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(utf8);
}

std::string utf8Path(const std::filesystem::path& path) {
    return path.string();
}

}  // namespace platform
