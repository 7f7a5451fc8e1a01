#pragma once
// A generated version: sixteen zip packages named as the component table names
// them, about 300 MiB unpacked in about 8,000 files, compressible like real content.

#include <cstdint>
#include <string>

struct PackageSetSize {
    uint64_t files = 0;
    uint64_t unpackedBytes = 0;
    uint64_t packedBytes = 0;
};

// Writes the packages into folder (reusing them when a previous run made the
// same set) and answers their size.
PackageSetSize makePackageSet(const std::string& folder);
