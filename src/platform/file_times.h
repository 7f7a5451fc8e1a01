#pragma once
// When a file came to be.

#include <cstdint>
#include <string>

namespace platform {

// The file's creation time in nanoseconds since 1970 where the file system
// records one, else its last modification time. False, with the last error
// set, when the file cannot be examined.
bool fileCreationTime(const std::string& path, int64_t& nanoseconds);

}  // namespace platform
