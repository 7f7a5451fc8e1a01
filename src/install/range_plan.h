#pragma once
// Which byte ranges of a package hold the entries an update must fetch.

#include <cstdint>
#include <vector>

#include "install/zip_directory.h"

struct ByteSpan {
    uint64_t first = 0;
    uint64_t last = 0;  // inclusive, as in a Range header
    uint64_t size() const { return last - first + 1; }
};

// The spans holding the wanted entries (indexes into entries): each from its
// local header to the next entry's header, or to the directory for the last
// one, so that the header's own extra field and a data descriptor come along.
// Spans at most maxGap bytes apart become one, to ask for fewer ranges.
std::vector<ByteSpan> planRanges(const std::vector<ZipDirectoryEntry>& entries,
                                 const std::vector<size_t>& wanted, uint64_t directoryOffset,
                                 uint64_t maxGap);
