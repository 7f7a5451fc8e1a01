#include "zip_builder.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace {

zip_fileinfo fileInfo(const ZipItem& item) {
    zip_fileinfo info{};
    info.dosDate = item.dosDateTime;
    info.external_fa = item.unixMode << 16;
    return info;
}

void check(int result, const char* what) {
    if (result != ZIP_OK) throw std::runtime_error(std::string("zip builder: ") + what);
}

}  // namespace

void writeZip(const std::string& path, const std::vector<ZipItem>& items) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) throw std::runtime_error("zip builder: zipOpen");
    for (const ZipItem& item : items) {
        const zip_fileinfo info = fileInfo(item);
        const int method = item.stored ? 0 : Z_DEFLATED;
        const uLong madeBy = item.unixMode ? (3u << 8) | 20 : 20;
        check(zipOpenNewFileInZip4_64(zip, item.name.c_str(), &info, nullptr, 0, nullptr, 0,
                                      nullptr, method, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                      DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, madeBy, 0, 0),
              "zipOpenNewFileInZip");
        check(zipWriteInFileInZip(zip, item.data.data(), static_cast<unsigned>(item.data.size())),
              "zipWriteInFileInZip");
        check(zipCloseFileInZip(zip), "zipCloseFileInZip");
    }
    check(zipClose(zip, nullptr), "zipClose");
}

void writeZipWithShortStream(const std::string& path, const std::string& name,
                             const std::string& data) {
    // A raw deflate stream of the first half only, finished properly.
    const std::string half = data.substr(0, data.size() / 2);
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL,
                 Z_DEFAULT_STRATEGY);
    std::string packed(deflateBound(&stream, half.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(half.data()));
    stream.avail_in = static_cast<uInt>(half.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    packed.resize(stream.total_out);
    deflateEnd(&stream);

    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    const zip_fileinfo info = fileInfo(ZipItem{});
    check(zipOpenNewFileInZip2(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                               Z_DEFLATED, Z_DEFAULT_COMPRESSION, 1),
          "zipOpenNewFileInZip2");
    check(zipWriteInFileInZip(zip, packed.data(), static_cast<unsigned>(packed.size())), "write");
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    check(zipCloseFileInZipRaw(zip, data.size(), crc), "zipCloseFileInZipRaw");
    check(zipClose(zip, nullptr), "zipClose");
}

size_t firstEntryDataOffset(const std::string& archive) {
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(archive.at(at)); };
    const size_t nameLength = byte(26) | (byte(27) << 8);
    const size_t extraLength = byte(28) | (byte(29) << 8);
    return 30 + nameLength + extraLength;
}


void writeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string sampleBytes(size_t size, uint32_t seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    // Words from a small alphabet: compressible like real content, never trivial.
    for (char& c : bytes) c = static_cast<char>('a' + generator() % 16);
    return bytes;
}
