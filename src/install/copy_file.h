#pragma once
// Copies a file's bytes into a new or truncated destination.

#include <string>

class simple_logger;

// Logs "Bootstrapper::copyFile src = %s, dst = %s", then streams the source into
// the destination in blocks, so a whole package is never held in memory. Throws
// std::runtime_error naming the step and the path that failed, for instance
// "Error opening srcFile='%s' for copy" or "Error writing dstFile='%s' during copy".
void copyFile(simple_logger& logger, const std::string& source, const std::string& destination);
