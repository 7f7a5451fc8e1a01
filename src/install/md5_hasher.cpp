#include "install/md5_hasher.h"

#include <fstream>
#include <memory>
#include <stdexcept>

#include "base/format.h"
#include "platform/utf8_path.h"

namespace {
// Large reads: the integrity check hashes every file of a version.
constexpr size_t kReadBlock = 256 * 1024;
}  // namespace

void Md5Hasher::hashBytes(const void* data, size_t size) {
    md5_.update(data, size);
}

void Md5Hasher::hashStream(std::istream& in) {
    in.clear();
    in.seekg(0, std::ios::beg);
    // One block per thread, not zeroed: the files hashed are many and mostly small.
    thread_local const std::unique_ptr<char[]> block =
        std::make_unique_for_overwrite<char[]>(kReadBlock);
    while (in) {
        in.read(block.get(), kReadBlock);
        const std::streamsize count = in.gcount();
        if (count <= 0) break;
        hashBytes(block.get(), static_cast<size_t>(count));
    }
    // A short read at the end sets eof; bad means the bytes stopped coming,
    // and a digest of part of a file must not pass for the file's.
    if (in.bad()) throw std::runtime_error("Failed reading stream for MD5");
}

void Md5Hasher::hashFile(const std::string& path) {
    std::ifstream in(platform::fsPath(path), std::ios::binary);
    if (!in.is_open()) throw std::runtime_error(format("Failed to open %s", path.c_str()));
    hashStream(in);
}

std::string Md5Hasher::hexDigest() {
    if (digest_.empty()) digest_ = platform::hexOf(md5_.finish());
    return digest_;
}
