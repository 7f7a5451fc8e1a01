#pragma once
// A made-up Studio build of a chosen size, for tests and benchmarks: files in
// every package's folder, sized and counted roughly like a real build, with
// content that deflates to about 61 % of its size. The same options give
// the same bytes.

#include <cstdint>
#include <string>

namespace zorbit::publish {

struct SyntheticBuildOptions {
    uint64_t totalBytes = 1 << 20;
    size_t fileCount = 64;  // at least one per package
    uint64_t seed = 1;
    // Copied to the build's root as "ZorbitStudioBeta.exe" when set (the stand-in).
    std::string studioExecutable;
};

// Writes the build into the folder (created when missing). Throws std::runtime_error.
void generateSyntheticBuild(const std::string& folder, const SyntheticBuildOptions& options);

}  // namespace zorbit::publish
