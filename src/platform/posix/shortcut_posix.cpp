// Shortcuts as freedesktop desktop entries.
#include <filesystem>

#include "platform/posix/desktop_entry.h"
#include "platform/shortcut.h"

namespace fs = std::filesystem;

namespace platform {

namespace {
const char* const kShortcutExtension = ".desktop";
}  // namespace

struct ShortcutFile::Content {
    posix::DesktopEntry entry;
};

std::string shortcutPath(const std::string& folder, const std::string& name) {
    return folder + name + kShortcutExtension;
}

bool isShortcutFileName(const std::string& fileName) {
    return fs::path(fileName).extension() == kShortcutExtension;
}

bool writeShortcut(const std::string& path, const Shortcut& shortcut) {
    std::error_code ignored;
    fs::remove(path, ignored);
    // Desktops start only entries that are marked executable.
    return posix::DesktopEntry::application(shortcut.name, shortcut.target, shortcut.arguments)
        .save(path, FileMode::Executable);
}

std::optional<ShortcutFile> ShortcutFile::load(const std::string& path) {
    std::optional<posix::DesktopEntry> entry = posix::DesktopEntry::load(path);
    if (!entry) return std::nullopt;
    return ShortcutFile(path, std::make_unique<Content>(Content{std::move(*entry)}));
}

ShortcutFile::ShortcutFile(std::string path, std::unique_ptr<Content> content)
    : path_(std::move(path)), content_(std::move(content)) {}
ShortcutFile::ShortcutFile(ShortcutFile&&) noexcept = default;
ShortcutFile& ShortcutFile::operator=(ShortcutFile&&) noexcept = default;
ShortcutFile::~ShortcutFile() = default;

std::string ShortcutFile::target() const {
    return content_->entry.program();
}

bool ShortcutFile::retarget(const std::string& target) {
    content_->entry.setProgram(target);
    return content_->entry.save(path_, FileMode::Keep);
}

}  // namespace platform
