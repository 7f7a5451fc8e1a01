#pragma once

#include <filesystem>
#include <set>
#include <string>

// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);

// A log file as text: its lines end in "\n" whatever the system writes.
std::string readLogFile(const std::string& path);

// The read, write and run rights of a file or folder (of a link's target), for
// everyone; none when it is missing.
std::filesystem::perms fileRights(const std::string& path);

// Whether the file's owner may run it (a link's target).
bool ownerMayRun(const std::string& path);

// The regular files below a folder, relative to it, in the system's separators.
std::set<std::string> filesBelow(const std::string& folder);

// Copies the regular files below a folder into another, keeping their relative
// paths (std::filesystem's recursive copy into an existing folder fails on
// Windows).
void copyFilesBelow(const std::string& from, const std::string& to);
