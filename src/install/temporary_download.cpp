#include "install/temporary_download.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <regex>
#include <set>
#include <stdexcept>

#include "launcher/errors.h"
#include "platform/files.h"
#include "telemetry/format.h"
#include "telemetry/logger.h"

namespace fs = std::filesystem;

namespace {
// Network chunks are small; gather them into fewer writes.
constexpr size_t kStreamBuffer = 256 * 1024;
constexpr auto kStaleAge = std::chrono::hours(24);

std::mutex unfinishedLock;
std::set<std::string>& unfinished() {
    static std::set<std::string> paths;
    return paths;
}

void trackUnfinished(const std::string& path, bool track) {
    std::lock_guard guard(unfinishedLock);
    if (track) {
        unfinished().insert(path);
    } else {
        unfinished().erase(path);
    }
}

// The names simple_logger::getTempFileName("tmp") makes.
bool isDownloadName(const std::string& name) {
    static const std::regex pattern("ZBT-[0-9A-F]{8}\\.tmp");
    return std::regex_match(name, pattern);
}

}  // namespace

void removeUnfinishedDownloads() {
    std::lock_guard guard(unfinishedLock);
    for (const std::string& path : unfinished()) platform::deleteFile(path);
    unfinished().clear();
}

void removeStaleDownloads(simple_logger& logger) {
    const std::string folder = platform::tempFolder();
    if (folder.empty()) return;
    const auto oldest = fs::file_time_type::clock::now() - kStaleAge;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string path = it->path().string();
        if (!isDownloadName(it->path().filename().string()) || !platform::isOwnRegularFile(path))
            continue;
        std::error_code timeError;
        const auto written = fs::last_write_time(it->path(), timeError);
        if (timeError || written > oldest) continue;
        if (platform::deleteFile(path)) logger.log("Removed stale download %s", path.c_str());
    }
}

TemporaryDownload::TemporaryDownload()
    : path_(simple_logger::getTempFileName("tmp")),
      buffer_(std::make_unique<char[]>(kStreamBuffer)) {
    // Made owner-only first; the stream then opens the file as it is.
    std::FILE* file = platform::openOwnerOnlyFile(path_, "wb");
    if (!file)
        throw std::runtime_error(format("Failed to create %s: ", path_.c_str()) + lastErrorText());
    std::fclose(file);
    trackUnfinished(path_, true);
    stream_.rdbuf()->pubsetbuf(buffer_.get(), kStreamBuffer);
    stream_.open(path_, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!stream_.is_open()) {
        trackUnfinished(path_, false);
        platform::deleteFile(path_);
        throw std::runtime_error(format("Failed to open %s", path_.c_str()));
    }
}

TemporaryDownload::~TemporaryDownload() {
    if (stream_.is_open()) stream_.close();
    if (owned_) {
        platform::deleteFile(path_);
        trackUnfinished(path_, false);
    }
}

void TemporaryDownload::close() {
    // A transfer that started over wrote from the start again: what lies past
    // its end is left from the attempt before.
    const std::streamoff length = stream_.tellp();
    stream_.close();
    if (stream_.fail() || length < 0)
        throw std::runtime_error(format("Failed to write %s", path_.c_str()));
    std::error_code error;
    if (std::filesystem::file_size(path_, error) > static_cast<uintmax_t>(length) && !error)
        std::filesystem::resize_file(path_, static_cast<uintmax_t>(length), error);
    if (error) throw std::runtime_error(format("Failed to write %s", path_.c_str()));
}

bool TemporaryDownload::remove() {
    if (stream_.is_open()) stream_.close();
    owned_ = false;
    const bool removed = platform::deleteFile(path_);
    trackUnfinished(path_, false);
    return removed;
}
