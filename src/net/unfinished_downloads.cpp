#include "net/unfinished_downloads.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <regex>
#include <set>
#include <stdexcept>

#include "base/errors.h"
#include "base/format.h"
#include "base/logger.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kStaleAge = std::chrono::hours(24);

std::mutex unfinishedLock;
bool processEnding = false;  // under unfinishedLock
std::set<std::string>& unfinished() {
    static std::set<std::string> paths;
    return paths;
}

// The names simple_logger::getTempFileName("tmp") makes.
bool isDownloadName(const std::string& name) {
    static const std::regex pattern("ZBT-[0-9A-F]{8}\\.tmp");
    return std::regex_match(name, pattern);
}

}  // namespace

// Created and remembered in one step, so the removal at the process's end
// cannot miss a file that a worker is just creating.
void createUnfinishedDownload(const std::string& path) {
    std::lock_guard guard(unfinishedLock);
    if (processEnding)
        throw std::runtime_error(
            format("Failed to create %s: the launcher is closing", path.c_str()));
    std::FILE* file = platform::openOwnerOnlyFile(path, "wb");
    if (!file)
        throw std::runtime_error(format("Failed to create %s: ", path.c_str()) + lastErrorText());
    std::fclose(file);
    unfinished().insert(path);
}

void forgetUnfinishedDownload(const std::string& path) {
    std::lock_guard guard(unfinishedLock);
    unfinished().erase(path);
}

void removeUnfinishedDownloads() {
    std::lock_guard guard(unfinishedLock);
    processEnding = true;
    for (const std::string& path : unfinished()) platform::deleteFile(path);
    unfinished().clear();
}

void removeStaleDownloads(simple_logger& logger) {
    const std::string folder = platform::tempFolder();
    if (folder.empty()) return;
    const auto oldest = fs::file_time_type::clock::now() - kStaleAge;
    std::error_code error;
    for (fs::directory_iterator it(platform::fsPath(folder), error), end; !error && it != end;
         it.increment(error)) {
        const std::string path = platform::utf8Path(it->path());
        if (!isDownloadName(platform::utf8Path(it->path().filename())) ||
            !platform::isOwnPlainFile(path))
            continue;
        std::error_code timeError;
        const auto written = fs::last_write_time(it->path(), timeError);
        if (timeError || written > oldest) continue;
        if (platform::deleteFile(path)) logger.log("Removed stale download %s", path.c_str());
    }
}
