#include "install/unchanged_file.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "install/dos_time.h"
#include "install/replacing_file.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/md5.h"

namespace {

constexpr size_t kBlock = 256 * 1024;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// Calls use with each block of the file; false when it cannot be read whole.
template <typename Use>
bool readBlocks(const std::string& path, Use&& use) {
    const File in(platform::openFile(path, "rb"));
    if (!in) return false;
    // One block per thread, not zeroed: the files are many and mostly small.
    thread_local const std::unique_ptr<char[]> block =
        std::make_unique_for_overwrite<char[]>(kBlock);
    for (;;) {
        const size_t got = std::fread(block.get(), 1, kBlock, in.get());
        if (got == 0) break;
        if (!use(block.get(), got)) return false;
    }
    return !std::ferror(in.get());
}

bool matchesEntry(const std::string& installed, const ZipEntryInfo& info,
                  const std::string& digest) {
    platform::Md5 md5;
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t size = 0;
    const bool read = readBlocks(installed, [&](const char* data, size_t got) {
        size += got;
        if (size > info.uncompressedSize) return false;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(got));
        if (!digest.empty()) md5.update(data, got);
        return true;
    });
    if (!read || size != info.uncompressedSize || crc != info.crc) return false;
    return digest.empty() || platform::hexOf(md5.finish()) == digest;
}

bool makeParent(const std::string& target) {
    const size_t cut = target.find_last_of(platform::kPathSeparator);
    return cut != std::string::npos && CUnzipper::CreateFolder(target.substr(0, cut));
}

// A copy for file systems without links.
bool copyWhole(const std::string& installed, const std::string& target, const ZipEntryInfo& info) {
    ReplacingFile out(target);
    if (!readBlocks(installed, [&out](const char* data, size_t got) {
            out.write(data, got);
            return true;
        }))
        return false;
    out.close();
    giveEntryAttributes(out.temporaryPath(), info);
    if (!out.commit()) throw std::runtime_error("failed to replace '" + target + "'");
    return true;
}

// Whether the file's time is the one the entry gives it.
bool hasEntryTime(const platform::FileStamp& stamp, const ZipEntryInfo& info) {
    int64_t seconds = 0;
    return dosDateTimeToUnixTime(info.dosDateTime, seconds) &&
           stamp.modifiedNs == seconds * 1000000000;
}

}  // namespace

bool takeUnchangedFile(const std::string& installed, const std::string& target,
                       const ZipEntryInfo& info, const std::string& digest,
                       const platform::FileStamp* known) {
    if (!known && !matchesEntry(installed, info, digest)) return false;
    // The folder is made only when the first link into it finds none.
    bool linked = replaceWithLink(installed, target);
    if (!linked) {
        if (!makeParent(target)) throw std::runtime_error("failed CreateFilePath");
        linked = replaceWithLink(installed, target);
        if (!linked && !copyWhole(installed, target, info)) return false;
    }
    // A link shares the installed file's time.
    if (linked && known && hasEntryTime(*known, info))
        giveEntryMode(target, info);
    else if (linked)
        giveEntryAttributes(target, info);
    return true;
}
