#include "platform/png_file.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "platform/files.h"

namespace platform {
namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";

void appendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// Length, type, data and the CRC of type and data.
void appendChunk(std::string& out, const char* type, const std::string& data) {
    appendBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string typed = type + data;
    out += typed;
    appendBigEndian(out,
                    static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                                static_cast<uInt>(typed.size()))));
}

// Every row behind filter byte 0 (none), compressed as one zlib stream.
std::string imageData(const std::string& rgb, int width, int height) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::string rows;
    rows.reserve((rowBytes + 1) * height);
    for (int y = 0; y < height; ++y) {
        rows += '\0';
        rows.append(rgb, y * rowBytes, rowBytes);
    }
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    std::string compressed(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(compressed.data()), &size,
                 reinterpret_cast<const Bytef*>(rows.data()),
                 static_cast<uLong>(rows.size())) != Z_OK)
        throw std::runtime_error("PNG: the pixels could not be compressed");
    compressed.resize(size);
    return compressed;
}

}  // namespace

std::string encodePng(const std::string& rgb, int width, int height) {
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3)
        throw std::invalid_argument("PNG: " + std::to_string(rgb.size()) + " bytes are not " +
                                    std::to_string(width) + "x" + std::to_string(height) +
                                    " RGB pixels");
    std::string header;
    appendBigEndian(header, static_cast<uint32_t>(width));
    appendBigEndian(header, static_cast<uint32_t>(height));
    header +=
        std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    std::string png(kSignature, sizeof kSignature - 1);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", imageData(rgb, width, height));
    appendChunk(png, "IEND", "");
    return png;
}

void writePngFile(const std::string& path, const std::string& rgb, int width, int height) {
    const std::string png = encodePng(rgb, width, height);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "wb"), std::fclose);
    if (!file || std::fwrite(png.data(), 1, png.size(), file.get()) != png.size() ||
        std::fclose(file.release()) != 0)
        throw std::runtime_error("PNG: cannot write " + path);
}

}  // namespace platform
