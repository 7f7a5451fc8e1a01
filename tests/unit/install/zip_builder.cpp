#include "zip_builder.h"

#include <zlib.h>

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "zip_writer.h"

void writeZip(const std::string& path, const std::vector<ZipItem>& items) {
    zorbit::publish::ZipWriter zip(path, Z_DEFAULT_COMPRESSION);
    for (const ZipItem& item : items) zip.add(item);
    zip.close();
}

void writeZipWithShortStream(const std::string& path, const std::string& name,
                             const std::string& data) {
    // A raw deflate stream of the first half only, finished properly.
    const std::string half = data.substr(0, data.size() / 2);
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string packed(deflateBound(&stream, half.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(half.data()));
    stream.avail_in = static_cast<uInt>(half.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    packed.resize(stream.total_out);
    deflateEnd(&stream);

    zorbit::publish::ZipWriter zip(path, Z_DEFAULT_COMPRESSION);
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    zip.addDeflated(name, packed, data.size(), static_cast<uint32_t>(crc));
    zip.close();
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
