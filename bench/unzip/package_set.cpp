#include "package_set.h"

#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

#include "install/component_table.h"
#include "zip_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFilesPerPackage = 500;
constexpr uint32_t kSeed = 20240611;
const char* const kMarker = "package-set-v4";

uint64_t logUniform(std::mt19937_64& random, double low, double high) {
    std::uniform_real_distribution<double> unit(std::log(low), std::log(high));
    return static_cast<uint64_t>(std::exp(unit(random)));
}

// Mostly small files, a few large ones, as textures and sounds beside scripts.
uint64_t fileSize(std::mt19937_64& random) {
    std::uniform_int_distribution<int> percent(0, 99);
    if (percent(random) < 2) return logUniform(random, 256 * 1024, 4 * 1024 * 1024);
    return logUniform(random, 256, 64 * 1024);
}

// A third of the 4 KiB blocks random (already compressed media), the rest
// words of source text: the set packs to about 60 %, as a real version does.
void fillContent(std::mt19937_64& random, std::string& data) {
    static const char* const kWords[] = {"local ", "function ", "end\n", "return ", "then ",
                                         "if ",    "else ",     "for ",  "in ",     "do ",
                                         "self.",  "value ",    "= ",    "nil ",    "(",
                                         ") ",     "texture",   "mesh",  "0.5, ",   "\t"};
    for (size_t block = 0; block < data.size(); block += 4096) {
        const size_t end = std::min(data.size(), block + 4096);
        if (random() % 3 == 0) {
            for (size_t i = block; i < end; ++i) data[i] = static_cast<char>(random());
            continue;
        }
        for (size_t i = block; i < end;) {
            for (const char* c = kWords[random() % 20]; *c && i < end; ++c) data[i++] = *c;
        }
    }
}

// Packages that share a folder hold different files, as real ones mostly do.
void writePackage(const std::string& path, int package, std::mt19937_64& random,
                  PackageSetSize& size) {
    zorbit::publish::ZipWriter zip(path, Z_DEFAULT_COMPRESSION);
    zorbit::publish::ZipEntry entry;
    for (int i = 0; i < kFilesPerPackage; ++i) {
        entry.data.resize(fileSize(random));
        fillContent(random, entry.data);
        entry.name = "p" + std::to_string(package) + "dir" + std::to_string(i % 7) + "/sub" +
                     std::to_string(i % 3) + "/file" + std::to_string(i) + ".bin";
        zip.add(entry);
        size.files += 1;
        size.unpackedBytes += entry.data.size();
    }
    zip.close();
    size.packedBytes += fs::file_size(path);
}

}  // namespace

PackageSetSize makePackageSet(const std::string& folder) {
    fs::create_directories(folder);
    const std::string marker = folder + "/complete";
    PackageSetSize size;
    if (std::ifstream in(marker); in) {
        std::string kind;
        in >> kind >> size.files >> size.unpackedBytes >> size.packedBytes;
        if (kind == kMarker) return size;
        size = {};
    }
    std::mt19937_64 random(kSeed);
    int package = 0;
    for (const ComponentPackage& row : studioComponentTable())
        writePackage(folder + "/" + row.package, package++, random, size);
    std::ofstream(marker) << kMarker << ' ' << size.files << ' ' << size.unpackedBytes << ' '
                          << size.packedBytes << '\n';
    return size;
}
