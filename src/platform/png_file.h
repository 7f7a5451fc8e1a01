#pragma once
// PNG images of packed 8-bit RGB pixels, as window captures give them: one
// zlib-compressed image chunk, no filtering, no colour management.

#include <string>

namespace platform {

// The PNG file's bytes for width x height pixels in packed RGB rows, top row
// first. Throws std::invalid_argument when rgb does not hold that many pixels.
std::string encodePng(const std::string& rgb, int width, int height);

// Writes encodePng's bytes to path (UTF-8). Throws std::runtime_error naming
// the path when it cannot be written.
void writePngFile(const std::string& path, const std::string& rgb, int width, int height);

}  // namespace platform
