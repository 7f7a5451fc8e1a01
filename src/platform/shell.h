#pragma once
// The desktop shell's "open".

#include <string>

namespace platform {

// Opens a URL or file with the user's preferred program (xdg-open), without
// waiting. False when it cannot be started.
bool openUrl(const std::string& url);

}  // namespace platform
