#pragma once
// The one crossing between the launcher's UTF-8 path text and the standard
// library's paths. A path built straight from a std::string is read in the
// system's narrow encoding, which on Windows is the ANSI code page and mangles
// names outside it; every path the core hands to <filesystem> or a file
// stream goes through here instead.

#include <filesystem>
#include <string>

namespace platform {

std::filesystem::path fsPath(const std::string& utf8);
std::string utf8Path(const std::filesystem::path& path);

}  // namespace platform
