#include "platform/posix/trust_store_openssl.h"

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
namespace {

struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using Certificate = std::unique_ptr<X509, CertificateFree>;
using Certificates = std::vector<Certificate>;

// Every certificate of a PEM file; empty when it cannot be read or holds none.
Certificates readBundle(const std::string& path) {
    Certificates certificates;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file) return certificates;
    while (X509* certificate = PEM_read_X509(file.get(), nullptr, nullptr, nullptr))
        certificates.emplace_back(certificate);
    return certificates;
}

// Parsed once per path for the whole process; the certificates stay shared.
const Certificates& cachedBundle(const std::string& path) {
    static std::mutex lock;
    static std::map<std::string, Certificates> bundles;
    std::lock_guard guard(lock);
    auto found = bundles.find(path);
    if (found == bundles.end()) found = bundles.emplace(path, readBundle(path)).first;
    return found->second;
}

bool addBundle(X509_STORE* store, const std::string& path) {
    const Certificates& certificates = cachedBundle(path);
    for (const Certificate& certificate : certificates)
        X509_STORE_add_cert(store, certificate.get());  // takes its own reference
    return !certificates.empty();
}

// A folder OpenSSL can look issuers up in: it holds "<8 hex digits>.<n>" names.
bool hasHashedNames(const std::string& folder) {
    static std::mutex lock;
    static std::map<std::string, bool> answers;
    std::lock_guard guard(lock);
    if (auto found = answers.find(folder); found != answers.end()) return found->second;
    bool hashed = false;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end && !hashed;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        hashed =
            name.size() >= 10 && name[8] == '.' && name.find_first_not_of("0123456789abcdef") == 8;
    }
    answers[folder] = hashed;
    return hashed;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return !b.empty() && std::filesystem::equivalent(a, b, error);
}

}  // namespace

bool trustCertificates(SSL_CTX* context, const std::string& bundle,
                       const std::string& defaultBundle, const std::string& defaultFolder) {
    X509_STORE* store = SSL_CTX_get_cert_store(context);
    if (!store) return false;
    // Naming the system's own bundle (environments often do) asks for the system's store.
    if (!bundle.empty() && !sameFile(bundle, defaultBundle)) return addBundle(store, bundle);
    if (!defaultFolder.empty() && hasHashedNames(defaultFolder))
        return X509_STORE_load_path(store, defaultFolder.c_str()) == 1;
    return !defaultBundle.empty() && addBundle(store, defaultBundle);
}

}  // namespace platform
