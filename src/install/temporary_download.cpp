#include "install/temporary_download.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "base/errors.h"
#include "base/format.h"
#include "base/logger.h"
#include "net/unfinished_downloads.h"
#include "platform/files.h"
#include "platform/utf8_path.h"

namespace {
// Network chunks are small; gather them into fewer writes.
constexpr size_t kStreamBuffer = 256 * 1024;
}  // namespace

TemporaryDownload::TemporaryDownload()
    : path_(simple_logger::getTempFileName("tmp")),
      buffer_(std::make_unique<char[]>(kStreamBuffer)) {
    // Made owner-only first; the stream then opens the file as it is.
    createUnfinishedDownload(path_);
    stream_.rdbuf()->pubsetbuf(buffer_.get(), kStreamBuffer);
    stream_.open(platform::fsPath(path_), std::ios::binary | std::ios::out | std::ios::trunc);
    if (!stream_.is_open()) {
        forgetUnfinishedDownload(path_);
        platform::deleteFile(path_);
        throw std::runtime_error(format("Failed to open %s", path_.c_str()));
    }
}

TemporaryDownload::~TemporaryDownload() {
    if (stream_.is_open()) stream_.close();
    if (owned_) {
        platform::deleteFile(path_);
        forgetUnfinishedDownload(path_);
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
    const std::filesystem::path file = platform::fsPath(path_);
    if (std::filesystem::file_size(file, error) > static_cast<uintmax_t>(length) && !error)
        std::filesystem::resize_file(file, static_cast<uintmax_t>(length), error);
    if (error) throw std::runtime_error(format("Failed to write %s", path_.c_str()));
}

bool TemporaryDownload::remove() {
    if (stream_.is_open()) stream_.close();
    owned_ = false;
    const bool removed = platform::deleteFile(path_);
    forgetUnfinishedDownload(path_);
    return removed;
}
