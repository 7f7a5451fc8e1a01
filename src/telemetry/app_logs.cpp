#include "telemetry/app_logs.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "base/errors.h"
#include "base/format.h"
#include "platform/file_times.h"
#include "platform/files.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string newestAppLog(const std::string& folder) {
    std::string newest;
    int64_t newestTime = 0;
    std::error_code error;
    for (fs::directory_iterator it(platform::fsPath(folder), error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() != ".zbal") continue;
        const std::string path = platform::utf8Path(it->path());
        if (!platform::isOwnPlainFile(path)) continue;
        int64_t created = 0;
        if (!platform::fileCreationTime(path, created)) continue;
        if (newest.empty() || created > newestTime) {
            newest = path;
            newestTime = created;
        }
    }
    return newest;
}

std::string appendAppLogInfo(const std::string& path, int correlationId) {
    const std::unique_ptr<std::FILE, FileCloser> file(platform::openOwnPlainFileForAppend(path));
    if (!file)
        throw std::runtime_error(
            format("Failed to open %s: %s", path.c_str(), lastErrorText().c_str()));
    const std::string info = format("Info: ZorbitAppLog\nCorrIDString: %d\n", correlationId);
    if (std::fwrite(info.data(), 1, info.size(), file.get()) != info.size() ||
        std::fflush(file.get()) != 0)
        throw std::runtime_error(format("Failed to append to %s", path.c_str()));
    std::rewind(file.get());
    std::string content;
    char buffer[64 * 1024];
    while (const size_t got = std::fread(buffer, 1, sizeof buffer, file.get()))
        content.append(buffer, got);
    if (std::ferror(file.get()))
        throw std::runtime_error(format("Failed to read %s", path.c_str()));
    return content;
}

std::string logUploadPath(const std::string& version, int stage, int correlationId) {
    return format("/Error/InstallLog.ashx?version=%s&stage=%02d&guid=%d", version.c_str(), stage,
                  correlationId);
}
