// Which certificates a connection's context trusts: the bundle named, else the
// system's folder when it has hashed names, else the system's bundle.
#include <gtest/gtest.h>
#include <openssl/x509.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/posix/trust_store_openssl.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace {

struct ContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

// Whether a fresh context given these places verifies the certificate.
bool verifies(const TestCertificate& certificate, const std::string& bundle,
              const std::string& defaultBundle, const std::string& defaultFolder) {
    std::unique_ptr<SSL_CTX, ContextFree> context(SSL_CTX_new(TLS_client_method()));
    if (!platform::trustCertificates(context.get(), bundle, defaultBundle, defaultFolder))
        return false;
    X509_STORE_CTX* check = X509_STORE_CTX_new();
    X509_STORE_CTX_init(check, SSL_CTX_get_cert_store(context.get()), certificate.certificate(),
                        nullptr);
    const bool verified = X509_verify_cert(check) == 1;
    X509_STORE_CTX_free(check);
    return verified;
}

}  // namespace

TEST(TrustStore, TheBundleNamedElseTheSystemsHashedFolderElseItsBundle) {
    TempDir folder;
    TestCertificate certificate{folder.path()};
    const std::string plainFolder = folder.file("plain");
    const std::string hashedFolder = folder.file("hashed");
    std::filesystem::create_directories(plainFolder);
    std::filesystem::create_directories(hashedFolder);
    std::filesystem::copy_file(certificate.pemPath(), plainFolder + "/server.pem");
    char hashed[16];
    std::snprintf(hashed, sizeof hashed, "%08lx.0",
                  X509_subject_name_hash(certificate.certificate()));
    std::filesystem::copy_file(certificate.pemPath(), hashedFolder + "/" + hashed);
    const std::string missing = folder.file("missing.pem");

    EXPECT_TRUE(verifies(certificate, certificate.pemPath(), missing, ""));
    EXPECT_FALSE(verifies(certificate, missing, certificate.pemPath(), hashedFolder));
    EXPECT_TRUE(verifies(certificate, "", missing, hashedFolder));
    // A folder without hashed names is of no use to OpenSSL: the bundle stands in.
    EXPECT_TRUE(verifies(certificate, "", certificate.pemPath(), plainFolder));
    EXPECT_FALSE(verifies(certificate, "", missing, plainFolder));
    EXPECT_FALSE(verifies(certificate, "", "", ""));
    // Naming the system's bundle is asking for the system's store, folder first.
    EXPECT_TRUE(verifies(certificate, missing, missing, hashedFolder));
}
