#pragma once
// The temporary files that transfers stream into (ZBT-*.tmp in the per-user
// temporary folder). None may outlive the run: a run that is cancelled or
// fails ends the process while workers may still be writing, and a run that
// was killed leaves its files to the next one.

#include <string>

class simple_logger;

// Creates the file owner-only and remembers it until it is forgotten. Throws
// std::runtime_error when it cannot be made or the process is ending.
void createUnfinishedDownload(const std::string& path);
// The file is gone or kept as something else now.
void forgetUnfinishedDownload(const std::string& path);

// Deletes every remembered file and refuses new ones: the process is ending.
void removeUnfinishedDownloads();
// Deletes the launcher's temporary downloads that an ended run left behind:
// the user's own ZBT-*.tmp files older than a day.
void removeStaleDownloads(simple_logger& logger);
