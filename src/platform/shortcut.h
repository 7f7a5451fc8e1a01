#pragma once
// Shortcuts: the links on the desktop and in the programs menu that start a
// program. Each is one file in its folder.

#include <memory>
#include <optional>
#include <string>

namespace platform {

// A new link: it shows as name and starts target with arguments.
struct Shortcut {
    std::string name;
    std::string target;
    std::string arguments;
};

// The file of the link called name in folder (which ends in a separator).
std::string shortcutPath(const std::string& folder, const std::string& name);
// Whether a file name is that of a link, by the name alone.
bool isShortcutFileName(const std::string& fileName);

// Writes the link to path in place of any file there, so that the desktop
// starts it. False with the last error set.
bool writeShortcut(const std::string& path, const Shortcut& shortcut);

// A link read from its file, to point it at another program: everything else
// in it stays as it was.
class ShortcutFile {
public:
    // nullopt when the file cannot be read.
    static std::optional<ShortcutFile> load(const std::string& path);
    ShortcutFile(ShortcutFile&&) noexcept;
    ShortcutFile& operator=(ShortcutFile&&) noexcept;
    ~ShortcutFile();

    // The program it starts; empty when it names none.
    std::string target() const;
    // Points it at target and saves it over its file. False with the last error set.
    bool retarget(const std::string& target);

private:
    struct Content;
    ShortcutFile(std::string path, std::unique_ptr<Content> content);

    std::string path_;
    std::unique_ptr<Content> content_;
};

}  // namespace platform
