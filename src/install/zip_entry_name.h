#pragma once
// Zip entry names come from the network: one that would write outside the
// target folder must never reach the file system.

#include <string>

// True when the native entry name stays inside the folder it is unpacked to:
// not empty, relative, without a drive letter or stream (no ':'), without a
// ".." part and without a NUL byte.
bool isSafeEntryName(const std::string& name);
