// The standard library's paths hold UTF-16 on Windows: build them from the
// wide form, never from narrow text in the ANSI code page.
#include "platform/utf8_path.h"
#include "platform/win32/wide_text.h"

namespace platform {

std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(win32::toWide(utf8));
}

std::string utf8Path(const std::filesystem::path& path) {
    return win32::toUtf8(path.wstring());
}

}  // namespace platform
