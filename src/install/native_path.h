#pragma once
// Names that arrive backslash-separated in data (zip entries, manifest lines,
// the component table) become native paths.

#include <string>

#include "platform/known_folders.h"

inline std::string nativePath(std::string path) {
    // Both separators, whichever the system's own is: zip tools write either.
    for (char& c : path)
        if (c == '\\' || c == '/') c = platform::kPathSeparator;
    return path;
}
