// Trusting the certificates of a PEM file instead of the system's store:
// WinINet has no such option, so the request takes any issuer and the chain
// the server showed must end in one of the file's certificates.
#include <windows.h>
// after windows.h, which they need
#include <wincrypt.h>
#include <wininet.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/win32/http_transfer.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

// INTERNET_OPTION_SERVER_CERT_CONTEXT, which mingw's wininet.h lacks.
constexpr DWORD kServerCertContextOption = 80;

struct StoreClose {
    void operator()(void* store) const { CertCloseStore(store, 0); }
};
using CertificateStore = std::unique_ptr<void, StoreClose>;

std::string fileText(const std::string& path) {
    std::ifstream file(std::filesystem::path(toWide(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void addPemCertificate(HCERTSTORE store, const std::string& block) {
    DWORD bytes = 0;
    const DWORD length = static_cast<DWORD>(block.size());
    if (!CryptStringToBinaryA(block.data(), length, CRYPT_STRING_BASE64HEADER, nullptr, &bytes,
                              nullptr, nullptr))
        return;
    std::vector<BYTE> der(bytes);
    if (!CryptStringToBinaryA(block.data(), length, CRYPT_STRING_BASE64HEADER, der.data(), &bytes,
                              nullptr, nullptr))
        return;
    CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), bytes,
                                     CERT_STORE_ADD_ALWAYS, nullptr);
}

CertificateStore bundleStore(const std::string& path) {
    CertificateStore store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!store) return store;
    const std::string text = fileText(path);
    const std::string kEnd = "-----END CERTIFICATE-----";
    size_t start = text.find("-----BEGIN CERTIFICATE-----");
    while (start != std::string::npos) {
        const size_t end = text.find(kEnd, start);
        if (end == std::string::npos) break;
        addPemCertificate(store.get(), text.substr(start, end + kEnd.size() - start));
        start = text.find("-----BEGIN CERTIFICATE-----", end);
    }
    return store;
}

bool inStore(HCERTSTORE store, PCCERT_CONTEXT certificate) {
    PCCERT_CONTEXT candidate = nullptr;
    while ((candidate = CertEnumCertificatesInStore(store, candidate))) {
        if (CertCompareCertificate(X509_ASN_ENCODING, candidate->pCertInfo,
                                   certificate->pCertInfo)) {
            CertFreeCertificateContext(candidate);
            return true;
        }
    }
    return false;
}

// The chain is sound but for its root, which the system does not know.
bool chainEndsIn(HCERTSTORE store, PCCERT_CONTEXT server) {
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, server, nullptr, store, &parameters, 0, nullptr, &chain))
        return false;
    const DWORD tolerated = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                            CERT_TRUST_IS_OFFLINE_REVOCATION;
    bool trusted = (chain->TrustStatus.dwErrorStatus & ~tolerated) == 0 && chain->cChain > 0;
    if (trusted) {
        const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
        trusted = simple->cElement > 0 &&
                  inStore(store, simple->rgpElement[simple->cElement - 1]->pCertContext);
    }
    CertFreeCertificateChain(chain);
    return trusted;
}

// The server's own certificate, from the chain WinINet built for it (not
// every WinINet hands out the certificate alone).
PCCERT_CONTEXT serverCertificate(HINTERNET request) {
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    DWORD size = sizeof chain;
    if (InternetQueryOptionW(request, INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT, &chain, &size) &&
        chain) {
        PCCERT_CONTEXT leaf = nullptr;
        if (chain->cChain > 0 && chain->rgpChain[0]->cElement > 0)
            leaf = CertDuplicateCertificateContext(chain->rgpChain[0]->rgpElement[0]->pCertContext);
        CertFreeCertificateChain(chain);
        return leaf;
    }
    PCCERT_CONTEXT server = nullptr;
    size = sizeof server;
    if (!InternetQueryOptionW(request, kServerCertContextOption, &server, &size)) return nullptr;
    return server;
}

}  // namespace

void acceptAnyIssuer(HINTERNET request) {
    DWORD flags = 0;
    DWORD size = sizeof flags;
    InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
    flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    InternetSetOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
}

bool trustsServer(HINTERNET request, const std::string& caBundle) {
    const PCCERT_CONTEXT server = serverCertificate(request);
    if (!server) return false;
    const CertificateStore store = bundleStore(caBundle);
    const bool trusted = store && chainEndsIn(store.get(), server);
    CertFreeCertificateContext(server);
    return trusted;
}

}  // namespace platform::win32
