#pragma once
// The desktop's side of the file type and the URL protocol: handler entries in
// the Programs folder of the scope ($XDG_DATA_HOME/applications per user,
// /usr/local/share/applications for all users), a shared-mime-info package that
// names the place files, and the refresh of the desktop's caches of both.
//
// The URL protocol's entry hands the whole URL to the launcher as its only
// argument; the place files' entry runs the launcher with "-ide" and the file,
// as the registry's open command does.

#include <string>

class simple_logger;

inline constexpr const char* kPlaceMimeType = "application/x-zorbit-place";
inline constexpr const char* kPlaceEntryName = "zorbit-place.desktop";
inline constexpr const char* kPlaceMimePackageName = "zorbit-place.xml";

// The Programs folder of the scope, ending in a separator (not created).
std::string applicationsFolder(bool perUser);
// The shared-mime-info packages folder of the scope, ending in a separator.
std::string mimePackagesFolder(bool perUser);
// The URL protocol's entry for the scheme: "<scheme>.desktop" in the Programs folder.
std::string protocolEntryPath(bool perUser, const std::string& scheme);
std::string placeEntryPath(bool perUser);
std::string placeMimePackagePath(bool perUser);

// Each export raises std::runtime_error "Failed to write <path>: <system text>"
// when a file cannot be written. Removals and refreshes never raise.
void exportPlaceFileType(simple_logger& logger, bool perUser, const std::string& launcherPath);
void removePlaceFileType(simple_logger& logger, bool perUser);
void exportProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme,
                           const std::string& launcherPath);
void removeProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme);

// Runs update-desktop-database (and update-mime-database when mime is set) on
// the scope's folders, when those tools are installed; waits a bounded time.
void refreshDesktopDatabases(simple_logger& logger, bool perUser, bool mime);
