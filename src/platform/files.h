#pragma once
// File services the core needs beyond <filesystem>.

#include <cstdio>
#include <string>

namespace platform {

// Opens a new or truncated file readable and writable by its owner only, with
// stdio mode "w" or "wb". nullptr with the last error set on failure.
std::FILE* openOwnerOnlyFile(const std::string& path, const char* mode);

// Deletes one file; a folder is never removed (ERROR_ACCESS_DENIED, as on
// Windows). false with the last error set on failure.
bool deleteFile(const std::string& path);

// True for a regular file, not a link to one, that the running user owns.
bool isOwnRegularFile(const std::string& path);

}  // namespace platform
