#pragma once
// File services the core needs beyond <filesystem>.

#include <cstdio>
#include <string>

namespace platform {

// Opens a new or truncated file readable and writable by its owner only, with
// stdio mode "w" or "wb". nullptr with the last error set on failure.
std::FILE* openOwnerOnlyFile(const std::string& path, const char* mode);

// Whether path itself (not a link's target) is a regular file of the calling
// user with no other name: what a file someone else planted in a shared folder,
// a link, a FIFO or a device never is.
bool isOwnPlainFile(const std::string& path);

// Opens such a file for reading and appending, with stdio mode "a+b", without
// following a link and without waiting on a FIFO; anything else is refused.
// nullptr with the last error set on failure (ERROR_ACCESS_DENIED when refused).
std::FILE* openOwnPlainFileForAppend(const std::string& path);

// Deletes one file; a folder is never removed (ERROR_ACCESS_DENIED, as on
// Windows). false with the last error set on failure.
bool deleteFile(const std::string& path);

}  // namespace platform
