#pragma once
// An incremental MD5 digest over the system's crypto service.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

class Md5 {
public:
    using Digest = std::array<uint8_t, 16>;

    // Throws std::runtime_error "Failed CryptAcquireContext" or
    // "Failed CryptCreateHash" when no MD5 context can be had.
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    // Throws std::runtime_error "Failed CryptHashData".
    void update(const void* data, size_t size);
    // The digest of everything added; call once. Throws std::runtime_error
    // "Failed CryptGetHashParam HP_HASHVAL".
    Digest finish();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace platform
