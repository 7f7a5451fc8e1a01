#pragma once
// Kernel objects shared between processes (mutexes, events, shared memory)
// are files in the user's private runtime folder, with every character that a
// file name cannot hold escaped. No other user can create, list or plant a
// name there, as each session's objects are apart on Windows.

#include <string>

namespace platform::posix {

// "%XX" for everything outside [A-Za-z0-9._-]; very long names end in a hash.
std::string escapeObjectName(const std::string& name);

// Folder for the user's objects: $XDG_RUNTIME_DIR/zorbit, else a private
// folder under /tmp, else one under the user's cache folder. Ends in a
// separator; owner-only, and never one of another user. Empty when none can be had.
std::string runtimeFolder();

// File of a kernel object of the given kind; empty when there is no runtime folder.
std::string objectFilePath(const char* kind, const std::string& name);

// Opens an object's file with the flags (O_NOFOLLOW and O_CLOEXEC added, mode
// 0600 when created). A file that is not the running user's own is refused
// with EACCES. -1 with errno set on failure.
int openObjectFile(const std::string& path, int flags);

}  // namespace platform::posix
