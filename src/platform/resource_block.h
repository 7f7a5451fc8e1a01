#pragma once
// The resource block: named texts embedded in an executable between fixed
// markers, standing in for a version resource and a string table. Any file's
// block can be read, and a copy of an executable can be stamped with new texts.

#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace platform {

using ResourceTexts = std::map<std::string, std::string>;

// Room for the texts inside the block, terminating zero included.
constexpr size_t kResourceBlockCapacity = 4096;

// The markers around the block. Built at run time so the program holding the
// reader does not carry a second copy of them in its constant data.
std::string resourceBlockBeginMarker();
std::string resourceBlockEndMarker();

// Parses "name=value" lines up to the first zero byte.
ResourceTexts parseResourceTexts(const char* data, size_t size);
// The inverse; std::nullopt when the texts do not fit or hold a line break or zero.
std::optional<std::string> formatResourceTexts(const ResourceTexts& texts);

// The texts of a file's block; std::nullopt when the file has none or cannot be read.
std::optional<ResourceTexts> readResourceBlock(const std::string& path);

// Rewrites the block of a file in place. Throws std::runtime_error with the reason.
void stampResourceBlock(const std::string& path, const ResourceTexts& texts);

}  // namespace platform
