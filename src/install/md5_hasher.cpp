#include "install/md5_hasher.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>
#include <stdexcept>

#include "base/format.h"

namespace {
// Large reads: the integrity check hashes every file of a version.
constexpr size_t kReadBlock = 256 * 1024;
}  // namespace

Md5Hasher::Md5Hasher() {
    context_ = EVP_MD_CTX_new();
    if (!context_) throw std::runtime_error("Failed CryptAcquireContext");
    if (EVP_DigestInit_ex(context_, EVP_md5(), nullptr) != 1) {
        EVP_MD_CTX_free(context_);
        throw std::runtime_error("Failed CryptCreateHash");
    }
}

Md5Hasher::~Md5Hasher() {
    EVP_MD_CTX_free(context_);
}

void Md5Hasher::hashBytes(const void* data, size_t size) {
    if (size != 0 && EVP_DigestUpdate(context_, data, size) != 1)
        throw std::runtime_error("Failed CryptHashData");
}

void Md5Hasher::hashStream(std::istream& in) {
    in.clear();
    in.seekg(0, std::ios::beg);
    auto block = std::make_unique<char[]>(kReadBlock);
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
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) throw std::runtime_error(format("Failed to open %s", path.c_str()));
    hashStream(in);
}

std::string Md5Hasher::hexDigest() {
    if (!digest_.empty()) return digest_;
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_, value, &length) != 1)
        throw std::runtime_error("Failed CryptGetHashParam HP_HASHVAL");
    static const char kHex[] = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) {
        digest_ += kHex[value[i] >> 4];
        digest_ += kHex[value[i] & 0x0F];
    }
    return digest_;
}
