#pragma once
// Writes a zip package with minizip: deflated entries, backslash names, MS-DOS
// times in local time, and the Unix permission bits in the external
// attributes (so an executable can stay executable where the extractor cares).
// The publisher, the tests and the benchmarks all write their archives with it.

#include <cstdint>
#include <string>
#include <vector>

namespace zorbit::publish {

// One entry written from memory.
struct ZipEntry {
    std::string name;
    std::string data;
    uint32_t dosDateTime = 0x50221863;  // 2020-01-02 03:03:06 local time
    bool stored = false;                // no compression
    uint32_t unixMode = 0;              // packed on a Unix host with this mode when set
};

class ZipWriter {
public:
    // Throws std::runtime_error when the archive cannot be created.
    ZipWriter(const std::string& path, int level);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Adds a file's content; answers its MD5 (lower-case hex). Throws on failure.
    std::string addFile(const std::string& entryName, const std::string& sourcePath);
    void add(const ZipEntry& entry);
    // An entry whose already deflated bytes are stored as they are, with the
    // size and CRC-32 its header claims. Throws on failure.
    void addDeflated(const std::string& entryName, const std::string& deflated,
                     uint64_t claimedSize, uint32_t claimedCrc);
    // Finishes the archive. Throws on failure.
    void close();

private:
    void openEntry(const std::string& name, uint32_t dosDateTime, uint32_t unixMode, int method,
                   uint64_t size);
    void write(const std::string& name, const char* data, size_t size);
    void closeEntry(const std::string& name);

    void* zip_;
    int level_;
    std::vector<char> buffer_;
};

// The MS-DOS date (high 16 bits) and time (low 16 bits) of a Unix time, in local time.
uint32_t dosDateTime(int64_t unixTime);

}  // namespace zorbit::publish
