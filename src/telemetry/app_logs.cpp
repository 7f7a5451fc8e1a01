#include "telemetry/app_logs.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/file_times.h"
#include "telemetry/format.h"

namespace fs = std::filesystem;

std::string newestAppLog(const std::string& folder) {
    std::string newest;
    int64_t newestTime = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() != ".zbal" || it->is_directory(error)) continue;
        int64_t created = 0;
        if (!platform::fileCreationTime(path.string(), created)) continue;
        if (newest.empty() || created > newestTime) {
            newest = path.string();
            newestTime = created;
        }
    }
    return newest;
}

void appendAppLogInfo(const std::string& path, int correlationId) {
    std::ofstream out(path, std::ios::app);
    out << "Info: ZorbitAppLog\n"
        << "CorrIDString"
        << ": " << correlationId << "\n";
    out.close();
    if (!out) throw std::runtime_error(format("Failed to append to %s", path.c_str()));
}

std::string logUploadPath(const std::string& version, int stage, int correlationId) {
    return format("/Error/InstallLog.ashx?version=%s&stage=%02d&guid=%d", version.c_str(), stage,
                  correlationId);
}
