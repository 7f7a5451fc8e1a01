#pragma once

#include "support/file_contents.h"
// Real zip archives for the install tests, written with minizip.

#include <cstdint>
#include <string>
#include <vector>

#include "zip_writer.h"

using ZipItem = zorbit::publish::ZipEntry;

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
