#pragma once
// A build made from a version published in a root: its packages unpacked,
// with a share of its files given new contents of the same size. Publishing
// it makes a version that differs from that one as much as asked, for the
// tests and benchmarks of updates.

#include <cstdint>
#include <string>
#include <vector>

namespace zorbit::publish {

struct ChangedBuildOptions {
    std::string root;    // the server root the version is published in
    std::string guid;    // the version to start from
    double percent = 5;  // share of its files to change
    uint64_t seed = 1;   // which files change
};

// Writes the build into the folder (created when missing) and answers the
// changed files, relative and '/'-separated. The Studio program is never
// changed, so the version still starts. Throws std::runtime_error.
std::vector<std::string> makeChangedBuild(const std::string& folder,
                                          const ChangedBuildOptions& options);

}  // namespace zorbit::publish
