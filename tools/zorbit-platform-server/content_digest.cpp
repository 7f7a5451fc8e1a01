#include "content_digest.h"

#include <openssl/evp.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace zorbit::server {
namespace {

using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

Context newContext() {
    Context context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 unavailable");
    return context;
}

std::string finish(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(context, digest, &size);
    static const char* hex = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}

}  // namespace

std::string md5Hex(const std::string& bytes) {
    Context context = newContext();
    EVP_DigestUpdate(context.get(), bytes.data(), bytes.size());
    return finish(context.get());
}

std::string md5HexOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    Context context = newContext();
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) throw std::runtime_error("cannot read " + path);
    return finish(context.get());
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
