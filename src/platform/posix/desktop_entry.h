#pragma once
// freedesktop desktop entries: the launcher's shortcuts and its handler entries
// for the URL protocol and the place files. An entry is kept as its lines, so
// that rewriting its program leaves everything else in the file as it was.

#include <optional>
#include <string>
#include <vector>

#include "platform/file_replace.h"

namespace platform::posix {

// The Exec key holds a command line with two levels of escaping: its words are
// quoted as the desktop entry rules say, then the whole line is escaped as
// every string value is. These are the two levels, each both ways.

// One word of an Exec line: always in double quotes, with ", `, $ and \ escaped
// and % doubled, so any path (blanks, quotes, dollar signs) stays one word.
std::string quoteExecArgument(const std::string& argument);
// The words of an Exec line (after unescapeStringValue). Quotes are removed,
// escapes and %% resolved; field codes such as %u stay as they are.
std::vector<std::string> splitExecLine(const std::string& commandLine);
// String values: backslash, line breaks and tabs escaped.
std::string escapeStringValue(const std::string& text);
std::string unescapeStringValue(const std::string& value);

class DesktopEntry {
public:
    // A new application entry named name that runs program with the words of
    // arguments, which are written as given (they may hold field codes).
    static DesktopEntry application(const std::string& name, const std::string& program,
                                    const std::string& arguments);
    // The entry in the file; nullopt when it cannot be read.
    static std::optional<DesktopEntry> load(const std::string& path);

    // A key of the [Desktop Entry] group, unescaped; empty when missing.
    std::string value(const std::string& key) const;
    // Sets (or adds) a key of the [Desktop Entry] group.
    void setValue(const std::string& key, const std::string& value);

    // The program of the Exec line (its first word); empty without one.
    std::string program() const;
    // Replaces the program of the Exec line and keeps its other words.
    void setProgram(const std::string& program);

    std::string text() const;
    // Replaces the file with this entry. False with the last error set on failure.
    bool save(const std::string& path, platform::FileMode mode = platform::FileMode::Keep) const;

private:
    // Index of the key's line in the [Desktop Entry] group.
    std::optional<size_t> find(const std::string& key) const;

    std::vector<std::string> lines_;
};

}  // namespace platform::posix
