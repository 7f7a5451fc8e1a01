#pragma once

#include "support/file_contents.h"
// Real zip archives for the install tests, written with minizip.

#include <cstdint>
#include <string>
#include <vector>

struct ZipItem {
    std::string name;
    std::string data;
    uint32_t dosDateTime = 0x50221863;  // 2020-01-02 03:03:06 local time
    bool stored = false;                // no compression
    uint32_t unixMode = 0;              // packed on a Unix host with this mode when set
};

// Writes the archive; an empty list makes an archive with no entries.
void writeZip(const std::string& path, const std::vector<ZipItem>& items);

// An entry whose deflate stream is complete but holds only the first half of
// data, while its header claims all of data and data's CRC.
void writeZipWithShortStream(const std::string& path, const std::string& name,
                             const std::string& data);

// Offset of the first entry's data in an archive written by writeZip.
size_t firstEntryDataOffset(const std::string& archive);

void writeFile(const std::string& path, const std::string& data);
// Bytes that deflate a little but not to nothing.
std::string sampleBytes(size_t size, uint32_t seed);
