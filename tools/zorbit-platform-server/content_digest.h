#pragma once
// MD5 digests of files, for ETags, remembered per file version so a large
// package is hashed once.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace zorbit::server {

// Throws std::runtime_error when the file cannot be read.
std::string md5HexOfFile(const std::string& path);

class FileDigestCache {
public:
    std::string digest(const std::string& path);

private:
    struct Known {
        uint64_t size;
        int64_t modified;
        std::string digest;
    };
    std::mutex mutex_;
    std::map<std::string, Known> known_;
};

}  // namespace zorbit::server
