#pragma once
// Names of kernel objects shared between processes: kept per user, with every
// character that a file or shared-memory name cannot hold escaped.

#include <string>

namespace platform::posix {

// "%XX" for everything outside [A-Za-z0-9._-]; very long names end in a hash.
std::string escapeObjectName(const std::string& name);

// Folder for the user's lock files: $XDG_RUNTIME_DIR/zorbit, else a private
// folder under /tmp. Ends in a separator; created owner-only.
std::string runtimeFolder();

// Name of a POSIX shared-memory object for a kernel object of the given kind.
std::string sharedMemoryName(const char* kind, const std::string& name);

}  // namespace platform::posix
