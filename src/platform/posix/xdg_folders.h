#pragma once
// The freedesktop base folders as the Linux implementation reads them, shared
// by the known folders, the runtime folder and the hand-over of an elevated
// run's files.

#include <string>

namespace platform::posix {

// The path without trailing separators ("/" stays "/").
std::string withoutTrailingSeparators(std::string path);

// An XDG base folder: the variable when it holds an absolute path (a relative
// one is ignored, as the freedesktop rules require), else the fallback under
// the home folder. Without trailing separators. Throws std::runtime_error when
// the home folder cannot be found.
std::string xdgFolder(const char* variable, const char* fallbackUnderHome);

}  // namespace platform::posix
