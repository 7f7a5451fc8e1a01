#pragma once
// When a file came to be, and what tells one state of a file from another.

#include <cstdint>
#include <string>

namespace platform {

// The file's creation time in nanoseconds since 1970 where the file system
// records one, else its last modification time. False, with the last error
// set, when the file cannot be examined.
bool fileCreationTime(const std::string& path, int64_t& nanoseconds);

// What changes whenever a file is written, truncated or replaced: its size,
// its modification time, which file the name stands for (device and file
// number) and its change time, which no one can set back (but which also
// moves when the file gets or loses another name).
struct FileStamp {
    uint64_t size = 0;
    int64_t modifiedNs = 0;  // nanoseconds since 1970
    uint64_t device = 0;
    uint64_t file = 0;
    int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the regular file path names (a link is not followed). False,
// with the last error set, for anything else.
bool fileStamp(const std::string& path, FileStamp& stamp);

}  // namespace platform
