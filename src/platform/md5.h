#pragma once
// An incremental MD5 digest over the system's crypto service, and its
// lower-case hexadecimal text as manifests and ETags carry it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

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

// The digest as 32 lower-case hexadecimal digits. Inline, like md5Hex: the
// text form is the same on every OS, only the digest is the system's.
inline std::string hexOf(const Md5::Digest& digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.size());
    for (const uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

// The lower-case hexadecimal MD5 of bytes, in one call.
inline std::string md5Hex(std::string_view bytes) {
    Md5 md5;
    md5.update(bytes.data(), bytes.size());
    return hexOf(md5.finish());
}

}  // namespace platform
