#pragma once
// A self-signed certificate made at test time for "*.zorbit.localhost",
// "localhost" and 127.0.0.1, for the https tests. Its PEM file is what the
// client is told to trust.

#include <string>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

class TestCertificate {
public:
    // Writes the certificate's PEM file into folder (ending in a separator or not).
    explicit TestCertificate(const std::string& folder);
    ~TestCertificate();
    TestCertificate(const TestCertificate&) = delete;
    TestCertificate& operator=(const TestCertificate&) = delete;

    X509* certificate() const { return certificate_; }
    EVP_PKEY* privateKey() const { return key_; }
    const std::string& pemPath() const { return pemPath_; }

private:
    X509* certificate_ = nullptr;
    EVP_PKEY* key_ = nullptr;
    std::string pemPath_;
};
