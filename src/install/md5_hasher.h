#pragma once
// MD5 digests of packages and installed files, as lower-case hexadecimal text.

#include <cstddef>
#include <istream>
#include <string>

#include "platform/md5.h"

class Md5Hasher {
public:
    // Throws std::runtime_error "Failed CryptAcquireContext" or
    // "Failed CryptCreateHash" when no MD5 context can be had.
    Md5Hasher() = default;

    // Hashes the stream from its start to its end. A stream that cannot be read
    // at all hashes as empty input; a read that fails part-way throws
    // std::runtime_error "Failed reading stream for MD5".
    void hashStream(std::istream& in);
    // Hashes the file's bytes; throws std::runtime_error "Failed to open %s"
    // when it cannot be opened.
    void hashFile(const std::string& path);
    void hashBytes(const void* data, size_t size);
    // The digest of everything hashed so far; computed once, then kept.
    std::string hexDigest();

private:
    platform::Md5 md5_;
    std::string digest_;
};
