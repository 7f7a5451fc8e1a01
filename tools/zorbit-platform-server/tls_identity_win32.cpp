// The Windows build has no OpenSSL: a server asked for https says so at start.
#include <stdexcept>

#include "tls_identity.h"

namespace zorbit::server {

TlsIdentity::~TlsIdentity() = default;
TlsIdentity::TlsIdentity(TlsIdentity&& other) noexcept = default;
TlsIdentity& TlsIdentity::operator=(TlsIdentity&& other) noexcept = default;

TlsIdentity makeTlsIdentity(const std::vector<std::string>&) {
    throw std::runtime_error("the Windows build of the platform server serves plain HTTP only");
}

}  // namespace zorbit::server
