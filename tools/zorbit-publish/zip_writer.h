#pragma once
// Writes a zip package with minizip: deflated entries, backslash names, MS-DOS
// times in local time, and the Unix permission bits in the external
// attributes (so an executable can stay executable where the extractor cares).

#include <cstdint>
#include <string>
#include <vector>

namespace zorbit::publish {

class ZipWriter {
public:
    // Throws std::runtime_error when the archive cannot be created.
    ZipWriter(const std::string& path, int level);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Adds a file's content; answers its MD5 (lower-case hex). Throws on failure.
    std::string addFile(const std::string& entryName, const std::string& sourcePath);
    // Finishes the archive. Throws on failure.
    void close();

private:
    void* zip_;
    int level_;
    std::vector<char> buffer_;
};

// The MS-DOS date (high 16 bits) and time (low 16 bits) of a Unix time, in local time.
uint32_t dosDateTime(int64_t unixTime);

}  // namespace zorbit::publish
