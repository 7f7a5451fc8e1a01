#include "content_digest.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "platform/md5.h"

namespace zorbit::server {

std::string md5HexOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    platform::Md5 md5;
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        md5.update(buffer.data(), static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) throw std::runtime_error("cannot read " + path);
    return platform::hexOf(md5.finish());
}

std::string FileDigestCache::digest(const std::string& path) {
    const uint64_t size = std::filesystem::file_size(path);
    const int64_t modified = std::filesystem::last_write_time(path).time_since_epoch().count();
    {
        std::lock_guard lock(mutex_);
        auto it = known_.find(path);
        if (it != known_.end() && it->second.size == size && it->second.modified == modified)
            return it->second.digest;
    }
    // Hashed outside the lock: two first requests may both hash, which is harmless.
    std::string digest = md5HexOfFile(path);
    std::lock_guard lock(mutex_);
    known_[path] = Known{size, modified, digest};
    return digest;
}

}  // namespace zorbit::server
