#pragma once
// The installed application's logs ("*.zbal" in the temporary folder) and the
// path the log upload posts to.

#include <string>

// The newest "*.zbal" file of the folder (ending in a separator) by creation
// time; empty when there is none. Only the user's own plain files count: the
// folder may be shared, so links, FIFOs, folders and others' files are skipped.
std::string newestAppLog(const std::string& folder);

// Appends "Info: ZorbitAppLog" and "CorrIDString: <id>", each on its own line,
// and answers the whole file as it then is, read through the same handle.
// Throws std::runtime_error when the file is not the user's own plain file or
// cannot be written or read.
std::string appendAppLogInfo(const std::string& path, int correlationId);

// "/Error/InstallLog.ashx?version=<version>&stage=<two digits>&guid=<id>".
std::string logUploadPath(const std::string& version, int stage, int correlationId);
