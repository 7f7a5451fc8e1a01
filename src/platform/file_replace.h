#pragma once
// Replacing a file's whole content so that a reader (or a process killed half
// way) only ever sees the old content or the new one, never a blank or cut file.

#include <string>

namespace platform {

enum class FileMode {
    Keep,        // the replaced file's permissions; a new file gets the default ones
    Default,     // readable by everyone, writable by the owner (the umask applies)
    Executable,  // as Default, and executable (trusted launcher entries)
};

// Writes content to a new file beside path, then renames it over path. False
// with the last error set when that fails; path is then unchanged.
bool replaceFileContent(const std::string& path, const std::string& content,
                        FileMode mode = FileMode::Keep);

}  // namespace platform
