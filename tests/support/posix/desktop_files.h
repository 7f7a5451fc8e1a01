#pragma once
// Where the desktop export (freedesktop) keeps the Studio's records, and the
// reader of its entries, for tests that look at the files themselves.

#include <string>

#include "platform/posix/desktop_entry.h"
#include "platform/posix/desktop_files.h"
#include "system/desktop_handlers.h"

using platform::posix::applicationsFolder;
using platform::posix::DesktopEntry;
using platform::posix::protocolEntryPath;
using platform::posix::splitExecLine;

inline std::string placeEntryPath(bool perUser) {
    return platform::posix::fileTypeEntryPath(perUser, kPlaceFileTypeId);
}

inline std::string placeMimePackagePath(bool perUser) {
    return platform::posix::mimePackagePath(perUser, kPlaceFileTypeId);
}
