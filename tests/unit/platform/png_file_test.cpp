#include "platform/png_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "support/temp_dir.h"

namespace {

uint32_t bigEndian(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

// The chunks by type, each checked against its CRC; the signature is checked too.
std::map<std::string, std::string> readChunks(const std::string& png) {
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::map<std::string, std::string> chunks;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = bigEndian(png, at);
        const std::string typed = png.substr(at + 4, 4 + length);
        const uint32_t crc = static_cast<uint32_t>(crc32(
            0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
        EXPECT_EQ(bigEndian(png, at + 8 + length), crc) << typed.substr(0, 4);
        chunks[typed.substr(0, 4)] = typed.substr(4);
        at += 12 + length;
    }
    return chunks;
}

}  // namespace

TEST(PngFile, TheImageDecodesBackToThePixelsRowByRow) {
    // 3x2 pixels, every byte different, so a swapped row or channel shows.
    std::string rgb;
    for (int i = 0; i < 18; ++i) rgb += static_cast<char>(10 * i + 1);
    auto chunks = readChunks(platform::encodePng(rgb, 3, 2));

    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks.count("IEND"), 1u);
    const std::string& header = chunks["IHDR"];
    ASSERT_EQ(header.size(), 13u);
    EXPECT_EQ(bigEndian(header, 0), 3u);
    EXPECT_EQ(bigEndian(header, 4), 2u);
    EXPECT_EQ(header.substr(8), std::string("\x08\x02\x00\x00\x00", 5));

    std::string rows(2 * (1 + 9), '\xFF');
    uLongf size = static_cast<uLongf>(rows.size());
    const std::string& data = chunks["IDAT"];
    ASSERT_EQ(
        uncompress(reinterpret_cast<Bytef*>(rows.data()), &size,
                   reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size())),
        Z_OK);
    ASSERT_EQ(size, rows.size());
    EXPECT_EQ(rows, std::string(1, '\0') + rgb.substr(0, 9) + std::string(1, '\0') + rgb.substr(9));
}

TEST(PngFile, PixelsThatDoNotFillTheImageAreRefused) {
    EXPECT_THROW(platform::encodePng(std::string(17, 'x'), 3, 2), std::invalid_argument);
    EXPECT_THROW(platform::encodePng("", 0, 0), std::invalid_argument);
}

TEST(PngFile, TheFileHoldsTheEncodingAndAnUnwritablePathIsNamed) {
    TempDir dir;
    const std::string rgb(12, '\x7F');
    platform::writePngFile(dir.file("shot.png"), rgb, 2, 2);
    std::ifstream in(dir.file("shot.png"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), platform::encodePng(rgb, 2, 2));

    try {
        platform::writePngFile(dir.file("missing/shot.png"), rgb, 2, 2);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(dir.file("missing/shot.png")), std::string::npos);
    }
}
