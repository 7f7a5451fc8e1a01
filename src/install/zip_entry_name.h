#pragma once
// Zip entry names come from the network: one that would write outside the
// target folder must never reach the file system.

#include <string>
#include <unordered_set>

// True when the native entry name stays inside the folder it is unpacked to:
// not empty, relative, without a drive letter or stream (no ':'), without a
// ".." part and without a NUL byte.
bool isSafeEntryName(const std::string& name);

// The names one package unpacks to. A package that names a file twice, or a
// file and a folder the same, would have one entry silently replace another:
// such a package is refused. Names compare without regard to ASCII case and
// to empty or "." parts, so a package unpacks to the same tree on every file
// system, including the case-insensitive ones of Windows.
class ZipEntryNames {
public:
    // Takes the native name of the next entry; throws std::runtime_error naming
    // it when it clashes with an earlier one.
    void claim(const std::string& name, bool isFolder);
    void clear();

private:
    std::unordered_set<std::string> files_;
    std::unordered_set<std::string> folders_;
};
