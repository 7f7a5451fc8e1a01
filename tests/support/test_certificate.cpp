#include "support/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <stdexcept>

namespace {

void check(bool ok, const char* step) {
    if (!ok) throw std::runtime_error(std::string("test certificate: ") + step);
}

void addExtension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    check(extension != nullptr, "extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

}  // namespace

TestCertificate::TestCertificate(const std::string& folder) {
    key_ = EVP_EC_gen("P-256");
    check(key_ != nullptr, "key");
    certificate_ = X509_new();
    check(certificate_ != nullptr, "certificate");
    X509_set_version(certificate_, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate_), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate_), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate_), 24 * 3600);
    X509_set_pubkey(certificate_, key_);
    X509_NAME* name = X509_get_subject_name(certificate_);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("zorbit.localhost"), -1, -1,
                               0);
    X509_set_issuer_name(certificate_, name);
    addExtension(certificate_, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(
        certificate_, NID_subject_alt_name,
        "DNS:*.zorbit.localhost,DNS:*.api.zorbit.localhost,DNS:zorbit.localhost,DNS:localhost,"
        "IP:127.0.0.1");
    check(X509_sign(certificate_, key_, EVP_sha256()) > 0, "sign");

    pemPath_ = folder + (folder.empty() || folder.back() == '/' ? "" : "/") + "test-ca.pem";
    std::FILE* file = std::fopen(pemPath_.c_str(), "w");
    check(file != nullptr, "pem file");
    const bool written = PEM_write_X509(file, certificate_) == 1;
    std::fclose(file);
    check(written, "pem write");
}

TestCertificate::~TestCertificate() {
    X509_free(certificate_);
    EVP_PKEY_free(key_);
}
