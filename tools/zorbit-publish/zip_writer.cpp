#include "zip_writer.h"

#include <sys/stat.h>
#include <time.h>
#include <zip.h>

#include <fstream>
#include <stdexcept>
#include <vector>

#include "platform/md5.h"

namespace zorbit::publish {
namespace {

constexpr uLong kMadeByUnix = (3u << 8) | 20u;
constexpr uLong kMadeByDos = 20u;

}  // namespace

uint32_t dosDateTime(int64_t unixTime) {
    const time_t seconds = static_cast<time_t>(unixTime);
    tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    if (local.tm_year < 80) return (1u << 5 | 1u) << 16;  // 1980-01-01, the format's first day
    const uint32_t date =
        static_cast<uint32_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
    const uint32_t time =
        static_cast<uint32_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
    return date << 16 | time;
}

ZipWriter::ZipWriter(const std::string& path, int level)
    : zip_(zipOpen64(path.c_str(), APPEND_STATUS_CREATE)), level_(level), buffer_(1 << 20) {
    if (!zip_) throw std::runtime_error("cannot create " + path);
}

ZipWriter::~ZipWriter() {
    if (zip_) zipClose(static_cast<zipFile>(zip_), nullptr);
}

void ZipWriter::openEntry(const std::string& name, uint32_t dosDateTime, uint32_t unixMode,
                          int method, uint64_t size) {
    zip_fileinfo info{};
    info.dosDate = dosDateTime;
    info.external_fa = static_cast<uLong>(unixMode & 0xFFFF) << 16;
    const uLong madeBy = unixMode ? kMadeByUnix : kMadeByDos;
    const int large = size >= 0xFFFFFFFFull ? 1 : 0;
    if (zipOpenNewFileInZip4_64(static_cast<zipFile>(zip_), name.c_str(), &info, nullptr, 0,
                                nullptr, 0, nullptr, method, level_, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, madeBy, 0, large) != ZIP_OK)
        throw std::runtime_error("cannot add " + name);
}

void ZipWriter::write(const std::string& name, const char* data, size_t size) {
    if (zipWriteInFileInZip(static_cast<zipFile>(zip_), data, static_cast<unsigned>(size)) !=
        ZIP_OK)
        throw std::runtime_error("cannot write " + name);
}

void ZipWriter::closeEntry(const std::string& name) {
    if (zipCloseFileInZip(static_cast<zipFile>(zip_)) != ZIP_OK)
        throw std::runtime_error("cannot finish " + name);
}

std::string ZipWriter::addFile(const std::string& entryName, const std::string& sourcePath) {
    struct stat status {};
    if (::stat(sourcePath.c_str(), &status) != 0)
        throw std::runtime_error("cannot read " + sourcePath);
    std::ifstream in(sourcePath, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + sourcePath);

    openEntry(entryName, dosDateTime(status.st_mtime), status.st_mode, Z_DEFLATED,
              static_cast<uint64_t>(status.st_size));
    platform::Md5 md5;
    while (in) {
        in.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        const auto got = static_cast<size_t>(in.gcount());
        if (got == 0) break;
        md5.update(buffer_.data(), got);
        write(entryName, buffer_.data(), got);
    }
    if (in.bad()) throw std::runtime_error("cannot read " + sourcePath);
    closeEntry(entryName);
    return platform::hexOf(md5.finish());
}

void ZipWriter::add(const ZipEntry& entry) {
    openEntry(entry.name, entry.dosDateTime, entry.unixMode, entry.stored ? 0 : Z_DEFLATED,
              entry.data.size());
    write(entry.name, entry.data.data(), entry.data.size());
    closeEntry(entry.name);
}

void ZipWriter::addDeflated(const std::string& entryName, const std::string& deflated,
                            uint64_t claimedSize, uint32_t claimedCrc) {
    zip_fileinfo info{};
    info.dosDate = ZipEntry{}.dosDateTime;
    if (zipOpenNewFileInZip2(static_cast<zipFile>(zip_), entryName.c_str(), &info, nullptr, 0,
                             nullptr, 0, nullptr, Z_DEFLATED, level_, 1) != ZIP_OK)
        throw std::runtime_error("cannot add " + entryName);
    write(entryName, deflated.data(), deflated.size());
    if (zipCloseFileInZipRaw64(static_cast<zipFile>(zip_), claimedSize, claimedCrc) != ZIP_OK)
        throw std::runtime_error("cannot finish " + entryName);
}

void ZipWriter::close() {
    auto zip = static_cast<zipFile>(zip_);
    zip_ = nullptr;
    if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("cannot finish the archive");
}

}  // namespace zorbit::publish
