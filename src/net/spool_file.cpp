#include "net/spool_file.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "base/errors.h"
#include "base/format.h"
#include "base/logger.h"
#include "net/unfinished_downloads.h"
#include "platform/files.h"
#include "platform/utf8_path.h"

SpoolFile::SpoolFile() : path_(simple_logger::getTempFileName("tmp")) {
    // Created owner-only first; the stream then opens the file as it is.
    createUnfinishedDownload(path_);
    stream_.open(platform::fsPath(path_), std::ios::in | std::ios::out | std::ios::binary);
    if (!stream_) {
        std::error_code ignored;
        std::filesystem::remove(platform::fsPath(path_), ignored);
        forgetUnfinishedDownload(path_);
        throw std::runtime_error(format("Failed to open temporary file '%s'", path_.c_str()));
    }
}

SpoolFile::~SpoolFile() {
    stream_.close();
    std::error_code ignored;
    std::filesystem::remove(platform::fsPath(path_), ignored);
    forgetUnfinishedDownload(path_);
}

void SpoolFile::copyTo(std::ostream& output) {
    stream_.flush();
    stream_.clear();
    stream_.seekg(0);
    std::vector<char> buffer(256 * 1024);
    while (stream_) {
        stream_.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::streamsize got = stream_.gcount();
        if (got <= 0) break;
        output.write(buffer.data(), got);
        if (!output) throw std::runtime_error("Failed to write the downloaded content");
    }
    if (stream_.bad())
        throw std::runtime_error(format("Failed to read temporary file '%s'", path_.c_str()));
}
