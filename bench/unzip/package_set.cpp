#include "package_set.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

#include "install/component_table.h"

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
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) throw std::runtime_error("cannot create " + path);
    std::string data;
    for (int i = 0; i < kFilesPerPackage; ++i) {
        data.resize(fileSize(random));
        fillContent(random, data);
        const std::string name = "p" + std::to_string(package) + "dir" + std::to_string(i % 7) +
                                 "/sub" + std::to_string(i % 3) + "/file" + std::to_string(i) +
                                 ".bin";
        zip_fileinfo info{};
        info.dosDate = 0x50221863;
        if (zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) != ZIP_OK ||
            zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) != ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK)
            throw std::runtime_error("cannot write " + path);
        size.files += 1;
        size.unpackedBytes += data.size();
    }
    zipClose(zip, nullptr);
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
