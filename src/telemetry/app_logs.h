#pragma once
// The installed application's logs ("*.zbal" in the temporary folder) and the
// path the log upload posts to.

#include <string>

// The newest "*.zbal" file of the folder (ending in a separator) by creation
// time; empty when there is none. Folders are skipped.
std::string newestAppLog(const std::string& folder);

// Appends "Info: ZorbitAppLog" and "CorrIDString: <id>", each on its own line.
// Throws std::runtime_error when the file cannot be written.
void appendAppLogInfo(const std::string& path, int correlationId);

// "/Error/InstallLog.ashx?version=<version>&stage=<two digits>&guid=<id>".
std::string logUploadPath(const std::string& version, int stage, int correlationId);
