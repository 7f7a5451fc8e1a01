// MD5 over CryptoAPI: the base provider in a verify-only context needs no key
// container, so it works for every user.
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <algorithm>
#include <stdexcept>

#include "platform/md5.h"

namespace platform {

struct Md5::Context {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    ~Context() {
        if (hash) CryptDestroyHash(hash);
        if (provider) CryptReleaseContext(provider, 0);
    }
};

Md5::Md5() : context_(std::make_unique<Context>()) {
    if (!CryptAcquireContextW(&context_->provider, nullptr, nullptr, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT))
        throw std::runtime_error("Failed CryptAcquireContext");
    if (!CryptCreateHash(context_->provider, CALG_MD5, 0, 0, &context_->hash))
        throw std::runtime_error("Failed CryptCreateHash");
}

Md5::~Md5() = default;

void Md5::update(const void* data, size_t size) {
    // CryptHashData takes a DWORD count: large blocks go in slices.
    const BYTE* bytes = static_cast<const BYTE*>(data);
    constexpr size_t kSlice = 1u << 30;
    while (size != 0) {
        const size_t slice = std::min(size, kSlice);
        if (!CryptHashData(context_->hash, bytes, static_cast<DWORD>(slice), 0))
            throw std::runtime_error("Failed CryptHashData");
        bytes += slice;
        size -= slice;
    }
}

Md5::Digest Md5::finish() {
    Digest value{};
    DWORD length = static_cast<DWORD>(value.size());
    if (!CryptGetHashParam(context_->hash, HP_HASHVAL, value.data(), &length, 0) ||
        length != value.size())
        throw std::runtime_error("Failed CryptGetHashParam HP_HASHVAL");
    return value;
}

}  // namespace platform
