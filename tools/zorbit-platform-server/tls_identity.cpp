#include "tls_identity.h"

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <memory>
#include <set>
#include <stdexcept>

namespace zorbit::server {
namespace {

template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, std::integral_constant<decltype(Free), Free>>;

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("making the test certificate failed: ") + what);
}

std::string alternativeNames(const std::vector<std::string>& hostNames) {
    std::set<std::string> names = {"localhost", "*.zorbit.localhost"};
    for (const std::string& host : hostNames) {
        if (host.empty()) continue;
        names.insert(host);
        const size_t dot = host.find('.');
        if (dot != std::string::npos && host.find('.', dot + 1) != std::string::npos) {
            names.insert("*" + host.substr(dot));
            names.insert("*.api" + host.substr(dot));  // the API services of a site host
        }
    }
    std::string text = "IP:127.0.0.1";
    for (const std::string& name : names) text += ",DNS:" + name;
    return text;
}

void addExtension(X509* certificate, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    Owned<X509_EXTENSION, X509_EXTENSION_free> extension(
        X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    check(extension && X509_add_ext(certificate, extension.get(), -1) == 1, "extension");
}

Owned<X509, X509_free> selfSigned(EVP_PKEY* key, const std::vector<std::string>& hostNames) {
    Owned<X509, X509_free> certificate(X509_new());
    check(certificate != nullptr, "X509_new");
    X509_set_version(certificate.get(), 2);
    uint32_t serial = 0;
    RAND_bytes(reinterpret_cast<unsigned char*>(&serial), sizeof serial);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), static_cast<long>(serial >> 1));
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 7 * 24 * 3600);
    X509_set_pubkey(certificate.get(), key);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(
        name, "CN", MBSTRING_ASC,
        reinterpret_cast<const unsigned char*>("zorbit.localhost test server"), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    addExtension(certificate.get(), NID_basic_constraints, "critical,CA:TRUE");
    addExtension(certificate.get(), NID_key_usage, "critical,digitalSignature,keyCertSign");
    addExtension(certificate.get(), NID_ext_key_usage, "serverAuth");
    addExtension(certificate.get(), NID_subject_alt_name, alternativeNames(hostNames));
    check(X509_sign(certificate.get(), key, EVP_sha256()) > 0, "X509_sign");
    return certificate;
}

std::string pemOf(X509* certificate) {
    Owned<BIO, BIO_free_all> bio(BIO_new(BIO_s_mem()));
    check(bio && PEM_write_bio_X509(bio.get(), certificate) == 1, "PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

}  // namespace

TlsIdentity::~TlsIdentity() {
    if (context) SSL_CTX_free(context);
}

TlsIdentity::TlsIdentity(TlsIdentity&& other) noexcept
    : certificatePem(std::move(other.certificatePem)), context(other.context) {
    other.context = nullptr;
}

TlsIdentity& TlsIdentity::operator=(TlsIdentity&& other) noexcept {
    std::swap(certificatePem, other.certificatePem);
    std::swap(context, other.context);
    return *this;
}

TlsIdentity makeTlsIdentity(const std::vector<std::string>& hostNames) {
    Owned<EVP_PKEY, EVP_PKEY_free> key(EVP_EC_gen("P-256"));
    check(key != nullptr, "key");
    const auto certificate = selfSigned(key.get(), hostNames);
    TlsIdentity identity;
    identity.certificatePem = pemOf(certificate.get());
    identity.context = SSL_CTX_new(TLS_server_method());
    check(identity.context != nullptr, "SSL_CTX_new");
    check(SSL_CTX_use_certificate(identity.context, certificate.get()) == 1 &&
              SSL_CTX_use_PrivateKey(identity.context, key.get()) == 1,
          "certificate and key");
    SSL_CTX_set_min_proto_version(identity.context, TLS1_2_VERSION);
    return identity;
}

}  // namespace zorbit::server
