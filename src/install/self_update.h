#pragma once
// The launcher keeping itself current.

#include <string>

// Set for a launcher that a self-update starts, so that it never updates itself
// in turn: a published version text that no download matches cannot make
// launchers start each other without end.
inline constexpr const char* kHandOverVariable = "ZORBIT_LAUNCHER_HANDED_OVER";

// True when both files open and their contents differ.
bool filesDiffer(const std::string& a, const std::string& b);

// Where a newer launcher is downloaded: "<temporary folder>Vexmoor/<name>", or
// with the tick count and "-" in front of the name when a file there cannot be
// deleted.
std::string launcherDownloadPath(const std::string& name);

// The version text of an executable's resource block, as stored ("1, 6, 3, 173");
// empty when it has none.
std::string fileVersionText(const std::string& path);
