#pragma once
// An installed file taken into the new version folder, when it is what the
// new package's entry holds.

#include <string>

#include "install/c_unzipper.h"

// Copies installed to target when its bytes are the entry's: its size and
// CRC-32 are the entry's and, when digest is not empty, its MD5 is digest.
// The copy replaces target whole (see ReplacingFile) and gets the entry's
// time and mode, as if unpacked. False, with nothing written, when the file
// differs or is gone; throws std::runtime_error when target cannot be written.
bool copyUnchangedFile(const std::string& installed, const std::string& target,
                       const ZipEntryInfo& info, const std::string& digest);
