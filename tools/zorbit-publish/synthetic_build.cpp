#include "synthetic_build.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "component_table.h"

namespace zorbit::publish {
namespace {

namespace fs = std::filesystem;

// Shares of the bytes and of the files per package, in per cent, in table order.
constexpr int kByteShare[16] = {2, 20, 8, 2, 3, 2, 4, 6, 10, 10, 10, 5, 3, 3, 8, 4};
constexpr int kFileShare[16] = {1, 2, 2, 2, 1, 5, 2, 10, 15, 15, 15, 3, 15, 5, 5, 2};
constexpr size_t kFilesPerSubfolder = 50;
// Share of runs copied from earlier ones: packages deflate to about 61 % of
// their size, like the real ones (208 of 342 MiB).
constexpr uint64_t kCopyPercent = 42;

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
    uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

private:
    uint64_t state_;
};

// Runs of random bytes alternate with copies of recent runs, which deflate finds.
std::vector<char> content(uint64_t size, Random& random) {
    constexpr size_t kRun = 64;
    std::vector<char> bytes(size);
    size_t at = 0;
    while (at < size) {
        const size_t run = std::min<size_t>(kRun, size - at);
        const uint64_t choice = random.next();
        if (at >= kRun && choice % 100 < kCopyPercent) {
            const size_t window = std::min<size_t>(at - run + 1, 16 * 1024);
            std::copy_n(
                bytes.begin() + static_cast<std::ptrdiff_t>(at - 1 - (choice >> 8) % window), run,
                bytes.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            for (size_t i = 0; i < run; i += 8) {
                const uint64_t word = random.next();
                std::copy_n(reinterpret_cast<const char*>(&word), std::min<size_t>(8, run - i),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + i));
            }
        }
        at += run;
    }
    return bytes;
}

std::vector<size_t> filesPerPackage(size_t total) {
    total = std::max<size_t>(total, 16);
    std::vector<size_t> counts(16);
    size_t assigned = 0;
    for (size_t i = 0; i < 16; ++i) {
        counts[i] = std::max<size_t>(1, total * static_cast<size_t>(kFileShare[i]) / 100);
        assigned += counts[i];
    }
    // Rounding leaves a few over or under: the biggest packages absorb them.
    for (size_t i = 8; assigned < total; i = i == 10 ? 8 : i + 1) ++counts[i], ++assigned;
    while (assigned > total) {
        --*std::max_element(counts.begin(), counts.end());
        --assigned;
    }
    return counts;
}

std::string fileName(size_t package, size_t index) {
    char name[64];
    if (package == kRedistPackage) {
        std::snprintf(name, sizeof name, "redist_%04zu.dat", index);
    } else if (package == kLibrariesPackage) {
        std::snprintf(name, sizeof name, "libzorbit%04zu.so", index);
    } else if (package == kStudioPackage) {
        std::snprintf(name, sizeof name, "studio_%04zu.dat", index);
    } else {
        std::snprintf(name, sizeof name, "file_%05zu.bin", index);
    }
    const std::string folder = buildFolderOf(package);
    // Root packages and content-textures stay flat: a subfolder would move
    // their files to another package. Packages of many files get subfolders.
    const bool flat = folder.empty() || package == kTexturesPackage;
    std::string path = folder.empty() ? name : folder + "/" + name;
    if (package == kTextures2Package || (!flat && index >= kFilesPerSubfolder)) {
        char sub[32];
        std::snprintf(sub, sizeof sub, "set_%02zu/", index / kFilesPerSubfolder);
        path = folder + "/" + sub + name;
    }
    return path;
}

void writeFile(const fs::path& path, const std::vector<char>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

void generateSyntheticBuild(const std::string& folder, const SyntheticBuildOptions& options) {
    fs::create_directories(folder);
    const std::vector<size_t> counts = filesPerPackage(options.fileCount);
    for (size_t package = 0; package < 16; ++package) {
        Random random(options.seed * 131 + package);
        const uint64_t packageBytes =
            options.totalBytes * static_cast<uint64_t>(kByteShare[package]) / 100;
        // Sizes vary from a quarter to seven quarters of the mean.
        std::vector<uint64_t> weights(counts[package]);
        uint64_t weightSum = 0;
        for (uint64_t& weight : weights) weightSum += weight = 25 + random.next() % 151;
        for (size_t index = 0; index < counts[package]; ++index) {
            const uint64_t size = packageBytes * weights[index] / weightSum;
            writeFile(fs::path(folder) / fileName(package, index), content(size, random));
        }
    }
    if (!options.studioExecutable.empty()) {
        fs::copy_file(options.studioExecutable, fs::path(folder) / "ZorbitStudioBeta.exe",
                      fs::copy_options::overwrite_existing);
    }
}

}  // namespace zorbit::publish
