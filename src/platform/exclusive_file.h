#pragma once
// A new file written through stdio, its failures in the last error: what a
// caller needs to replace a file by writing beside it and renaming.

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

// Creates path for binary writing, never opening a file or link already there.
// nullptr with the last error set on failure (kErrorAlreadyExists for a name
// that is taken).
std::FILE* createExclusiveFile(const std::string& path);

// Writes all size bytes. False when fewer went out, with the last error set to
// the system's reason, or to kErrorSuccess when the system gave none.
bool writeWhole(std::FILE* file, const void* data, size_t size);

// Closes the file, flushing it; false with the last error set on failure.
bool closeWrittenFile(std::FILE* file);

}  // namespace platform
