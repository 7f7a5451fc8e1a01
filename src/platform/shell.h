#pragma once
// The desktop shell's "open".

#include <string>

namespace platform {

// Opens a URL or file with the user's preferred program (the desktop's opener), waiting
// only briefly for its verdict. False, with the last error set, when it cannot
// be started or reports that nothing opens the URL.
bool openUrl(const std::string& url);

}  // namespace platform
