#pragma once
// An installed file taken into the new version folder, when it is what the
// new package's entry holds.

#include <string>

#include "install/c_unzipper.h"
#include "platform/file_times.h"

// Puts installed at target when its bytes are the entry's: its size and
// CRC-32 are the entry's and, when digest is not empty, its MD5 is digest.
// Where the file system can, target becomes a second name of the installed
// file (a hard link), else a copy. Either replaces target whole and gets the
// entry's time and mode, as if unpacked. False, with nothing written, when
// the file differs or is gone; throws std::runtime_error when target cannot
// be written.
//
// known, when given, is the installed file's stamp from a record that vouches
// for its size and CRC-32 (see file_stamps.h): the file is then not read, and
// its time is not set again when it is the entry's already.
//
// A link is safe for later repairs of either version: nothing writes into an
// installed file in place; the unzipper and these copies replace a file by
// renaming a new one over it (ReplacingFile), which parts the two names.
bool takeUnchangedFile(const std::string& installed, const std::string& target,
                       const ZipEntryInfo& info, const std::string& digest,
                       const platform::FileStamp* known = nullptr);
