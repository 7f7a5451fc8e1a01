#include "install/unchanged_file.h"

#include <zlib.h>

#include <cstdio>
#include <memory>

#include "install/replacing_file.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/md5.h"

namespace {

constexpr size_t kBlock = 256 * 1024;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool makeParent(const std::string& target) {
    const size_t cut = target.find_last_of(platform::kPathSeparator);
    return cut != std::string::npos && CUnzipper::CreateFolder(target.substr(0, cut));
}

}  // namespace

bool copyUnchangedFile(const std::string& installed, const std::string& target,
                       const ZipEntryInfo& info, const std::string& digest) {
    const std::unique_ptr<std::FILE, FileClose> in(platform::openFile(installed, "rb"));
    if (!in) return false;
    if (!makeParent(target)) throw std::runtime_error("failed CreateFilePath");
    ReplacingFile out(target);
    platform::Md5 md5;
    const auto block = std::make_unique<char[]>(kBlock);
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t copied = 0;
    for (;;) {
        const size_t got = std::fread(block.get(), 1, kBlock, in.get());
        if (got == 0) break;
        copied += got;
        if (copied > info.uncompressedSize) return false;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(block.get()), static_cast<uInt>(got));
        if (!digest.empty()) md5.update(block.get(), got);
        out.write(block.get(), got);
    }
    if (std::ferror(in.get()) || copied != info.uncompressedSize || crc != info.crc) return false;
    if (!digest.empty() && platform::hexOf(md5.finish()) != digest) return false;
    out.close();
    giveEntryAttributes(out.temporaryPath(), info);
    if (!out.commit()) throw std::runtime_error("failed to replace '" + target + "'");
    return true;
}
