#pragma once
// The log upload after a failed run: the launcher's own log and, when asked,
// the newest application log, to the platform's error-log page.

#include <iosfwd>

class IInstallerSite;

// What the upload needs of the run.
struct LogUploadRun {
    // The base host and the launcher's log.
    IInstallerSite& site;
    int stage = 0;
    int correlationId = 0;
    // Posts to the data host rather than the base host.
    bool useDataDomain = true;
};

// One POST of the stream's content to the error-log page.
void uploadLog(const LogUploadRun& run, std::istream& stream);
// The newest application log (when asked), then the launcher's log. Never throws.
void uploadLogs(const LogUploadRun& run, bool withAppLogs);
