#pragma once
// The desktop's side of the file type and the URL protocol (platform/
// desktop_export.h): the place files open with the launcher, "-ide" and the
// file, as the registry's open command does; the URL protocol hands the whole
// URL to the launcher as its only argument.

#include <string>

class simple_logger;

inline constexpr const char* kPlaceMimeType = "application/x-zorbit-place";
// Names the desktop's records of the place file type.
inline constexpr const char* kPlaceFileTypeId = "zorbit-place";

// Each export raises std::runtime_error "Failed to write <path>: <system text>"
// when a file cannot be written. Removals never raise.
void exportPlaceFileType(simple_logger& logger, bool perUser, const std::string& launcherPath);
void removePlaceFileType(simple_logger& logger, bool perUser);
void exportProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme,
                           const std::string& launcherPath);
void removeProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme);
