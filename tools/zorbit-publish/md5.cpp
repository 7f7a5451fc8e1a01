#include "md5.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace zorbit::publish {

Md5::Md5() : context_(EVP_MD_CTX_new()) {
    if (!context_ || EVP_DigestInit_ex(context_, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("MD5 unavailable");
}

Md5::~Md5() {
    EVP_MD_CTX_free(context_);
}

void Md5::update(const void* data, size_t size) {
    EVP_DigestUpdate(context_, data, size);
}

std::string Md5::hexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(context_, digest, &size);
    static const char* hex = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}

std::string md5Hex(const std::string& bytes) {
    Md5 md5;
    md5.update(bytes.data(), bytes.size());
    return md5.hexDigest();
}

}  // namespace zorbit::publish
