#pragma once
// A certificate made for the tests when the server starts: self-signed, valid
// for a week, for the platform's host names under zorbit.localhost, localhost
// and 127.0.0.1. Clients that should trust it are given its PEM file.

#include <string>
#include <vector>

struct ssl_ctx_st;

namespace zorbit::server {

struct TlsIdentity {
    std::string certificatePem;
    ssl_ctx_st* context = nullptr;  // server context holding the certificate and key

    TlsIdentity() = default;
    ~TlsIdentity();
    TlsIdentity(const TlsIdentity&) = delete;
    TlsIdentity& operator=(const TlsIdentity&) = delete;
    TlsIdentity(TlsIdentity&& other) noexcept;
    TlsIdentity& operator=(TlsIdentity&& other) noexcept;
};

// Host names get the certificate's subject alternative names, with wildcards
// for their parent domains. Throws std::runtime_error when OpenSSL fails.
TlsIdentity makeTlsIdentity(const std::vector<std::string>& hostNames);

}  // namespace zorbit::server
