#include <openssl/evp.h>

#include <stdexcept>

#include "platform/md5.h"

namespace platform {

struct Md5::Context {
    EVP_MD_CTX* digest = nullptr;
    ~Context() { EVP_MD_CTX_free(digest); }
};

Md5::Md5() : context_(std::make_unique<Context>()) {
    context_->digest = EVP_MD_CTX_new();
    if (!context_->digest) throw std::runtime_error("Failed CryptAcquireContext");
    if (EVP_DigestInit_ex(context_->digest, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("Failed CryptCreateHash");
}

Md5::~Md5() = default;

void Md5::update(const void* data, size_t size) {
    if (size != 0 && EVP_DigestUpdate(context_->digest, data, size) != 1)
        throw std::runtime_error("Failed CryptHashData");
}

Md5::Digest Md5::finish() {
    Digest value{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->digest, value.data(), &length) != 1 || length != value.size())
        throw std::runtime_error("Failed CryptGetHashParam HP_HASHVAL");
    return value;
}

}  // namespace platform
