#pragma once
// File services the core needs beyond <filesystem>.

#include <cstdio>
#include <string>

namespace platform {

// Opens a new or truncated file readable and writable by its owner only, with
// stdio mode "w" or "wb". A link, or a file of another user, in its place is
// refused. nullptr with the last error set on failure.
std::FILE* openOwnerOnlyFile(const std::string& path, const char* mode);

// The same, closed at once: a stream opened on it afterwards keeps the mode.
bool createOwnerOnlyFile(const std::string& path);

// Makes the folder (and missing parents) owner-only, or tightens one of the
// running user's to owner-only. A link, or a folder of another user, in its
// place is refused: false with the last error set.
bool makeOwnerOnlyFolder(const std::string& path);

// Whether the folder is the running user's and no one else may write in it.
bool isFolderOfThisUser(const std::string& path);

// Deletes one file; a folder is never removed (ERROR_ACCESS_DENIED, as on
// Windows). false with the last error set on failure.
bool deleteFile(const std::string& path);

// True for a regular file, not a link to one, that the running user owns.
bool isOwnRegularFile(const std::string& path);

}  // namespace platform
