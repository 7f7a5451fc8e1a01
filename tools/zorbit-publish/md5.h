#pragma once
// Streaming MD5, lower-case hex, as the manifest and the ETags carry it.

#include <cstddef>
#include <memory>
#include <string>

struct evp_md_ctx_st;

namespace zorbit::publish {

class Md5 {
public:
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void update(const void* data, size_t size);
    std::string hexDigest();

private:
    evp_md_ctx_st* context_;
};

std::string md5Hex(const std::string& bytes);

}  // namespace zorbit::publish
