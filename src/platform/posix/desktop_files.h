#pragma once
// Where the freedesktop export keeps its records: handler entries in the
// Programs folder of the scope ($XDG_DATA_HOME/applications per user,
// /usr/local/share/applications for all users) and shared-mime-info packages
// beside it.

#include <string>

namespace platform::posix {

// The Programs folder of the scope, ending in a separator (not created).
std::string applicationsFolder(bool perUser);
// The shared-mime-info packages folder of the scope, ending in a separator.
std::string mimePackagesFolder(bool perUser);
// "<scheme>.desktop" in the Programs folder.
std::string protocolEntryPath(bool perUser, const std::string& scheme);
// "<id>.desktop" in the Programs folder and "<id>.xml" among the packages.
std::string fileTypeEntryPath(bool perUser, const std::string& id);
std::string mimePackagePath(bool perUser, const std::string& id);

}  // namespace platform::posix
