#include "system/desktop_handlers.h"

#include <stdexcept>

#include "base/errors.h"
#include "base/format.h"
#include "base/logger.h"
#include "platform/desktop_export.h"
#include "system/shell_registration.h"

namespace {

const char* const kEntryName = "ZORBIT Studio";

platform::ExportLog logTo(simple_logger& logger) {
    return [&logger](const std::string& line) { logger.log("%s", line.c_str()); };
}

// An export answers the file it could not write; the last error says why.
void throwIfNotWritten(const std::string& failedFile) {
    if (failedFile.empty()) return;
    throw std::runtime_error(format("Failed to write %s", failedFile.c_str()) + ": " +
                             lastErrorText());
}

}  // namespace

void exportPlaceFileType(simple_logger& logger, bool perUser, const std::string& launcherPath) {
    const platform::FileTypeExport type{
        kPlaceFileTypeId, kPlaceMimeType, kPlaceExtension, "Zorbit Place",
        kEntryName,       launcherPath,   "-ide"};
    throwIfNotWritten(platform::exportFileType(perUser, type, logTo(logger)));
}

void removePlaceFileType(simple_logger& logger, bool perUser) {
    try {
        platform::removeFileType(perUser, kPlaceFileTypeId, logTo(logger));
    } catch (const std::exception& e) {
        logger.log("Failed to remove the place file type: %s", e.what());
    }
}

void exportProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme,
                           const std::string& launcherPath) {
    throwIfNotWritten(
        platform::exportProtocol(perUser, {scheme, kEntryName, launcherPath}, logTo(logger)));
}

void removeProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme) {
    // A scheme read from the registry names one record of the desktop, nothing else.
    if (scheme.empty() || scheme.find_first_of("/\\") != std::string::npos || scheme[0] == '.')
        return;
    try {
        platform::removeProtocol(perUser, scheme, logTo(logger));
    } catch (const std::exception& e) {
        logger.log("Failed to remove the protocol entry: %s", e.what());
    }
}
