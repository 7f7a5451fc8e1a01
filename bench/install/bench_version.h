#pragma once
// The version the benchmark installs: a synthetic build published into a
// server root, made once and reused by later runs of the benchmark.

#include <cstdint>
#include <string>
#include <vector>

struct BenchVersion {
    std::string root;   // the server root
    std::string build;  // the build folder the version was made from
    std::string guid;
    uint64_t files = 0;
    uint64_t unpackedBytes = 0;
    uint64_t packedBytes = 0;
};

// Generates and publishes the version under work (or finds it there).
BenchVersion prepareBenchVersion(const std::string& work, double megabytes, size_t files);

// Publishes, beside base in its root, a version like it with the given share
// of its files changed (or finds it there). Its build is not kept: build is empty.
BenchVersion prepareChangedVersion(const std::string& work, const BenchVersion& base,
                                   double percent);

// Points the root's cdn.txt at the content host of this run.
void writeCdnText(const std::string& root, const std::string& hostAndPort);

// Regular files below the folder and their bytes.
void countFiles(const std::string& folder, uint64_t& files, uint64_t& bytes);

// Ends the benchmark (exit 1) unless the folder holds the version's files and
// bytes, besides the files named (at its top, e.g. what an install adds).
void checkVersionFolder(const std::string& folder, const BenchVersion& version, const char* who,
                        const std::vector<std::string>& besides = {});
