#pragma once
// The directory at the end of a zip package, read from the package's last
// bytes: what it takes to know every entry, and where each one lies, without
// the whole package.

#include <cstdint>
#include <string>
#include <vector>

#include "install/c_unzipper.h"

struct ZipDirectoryEntry {
    ZipEntryInfo info;  // fileName as a native path, as CUnzipper names it
    uint64_t localHeaderOffset = 0;
};

// Where the directory lies in the package.
struct ZipDirectoryPlace {
    uint64_t offset = 0;
    uint64_t size = 0;
    uint64_t entries = 0;
};

// Finds the end record in tail, the package's last bytes (packageSize is the
// whole package's). Throws std::runtime_error when tail holds none, or one
// that does not fit the package (several disks, zip64, a directory that does
// not end where the end record starts).
ZipDirectoryPlace findZipDirectory(const std::string& tail, uint64_t packageSize);

// The entries of the directory's bytes, in the directory's order. Throws
// std::runtime_error when they do not add up: a wrong signature, a count
// other than the end record's, bytes left over, encrypted or zip64 entries,
// or entries whose data would overlap or reach into the directory.
std::vector<ZipDirectoryEntry> readZipDirectory(const std::string& bytes,
                                                const ZipDirectoryPlace& place);
