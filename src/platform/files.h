#pragma once
// File services the core needs beyond <filesystem>.

#include <cstdio>
#include <string>

namespace platform {

// std::fopen for a UTF-8 path; nullptr with the last error set on failure.
std::FILE* openFile(const std::string& path, const char* mode);

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

// Whether path itself (not a link's target) is a regular file of the calling
// user with no other name: what a file someone else planted in a shared folder,
// a link, a FIFO or a device never is.
bool isOwnPlainFile(const std::string& path);

// Opens such a file for reading and appending, with stdio mode "a+b", without
// following a link and without waiting on a FIFO; anything else is refused.
// nullptr with the last error set on failure (ERROR_ACCESS_DENIED when refused).
std::FILE* openOwnPlainFileForAppend(const std::string& path);

// Tells the file system that the file's regions never written hold nothing,
// so that writing far past its end takes no room or time for what lies
// between (NTFS needs telling; others do it by themselves). false with the
// last error set when it cannot; the file still works, only less cheaply.
bool makeSparse(const std::string& path);

// Deletes one file; a folder is never removed (ERROR_ACCESS_DENIED, as on
// Windows). false with the last error set on failure.
bool deleteFile(const std::string& path);

}  // namespace platform
