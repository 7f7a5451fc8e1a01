#pragma once
// Names that arrive backslash-separated in data (zip entries, manifest lines,
// the component table) become native paths.

#include <algorithm>
#include <string>

#include "platform/known_folders.h"

inline std::string nativePath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', platform::kPathSeparator);
    return path;
}
