#pragma once
// The certificates https connections trust, given to each connection's OpenSSL
// context. A bundle is read and parsed once per process, not once per
// connection or thread (the system's takes ~30 ms to parse); the system's
// store is preferably its folder of hashed names, from which OpenSSL reads
// only the issuers a server's chain names.

#include <openssl/ssl.h>

#include <string>

namespace platform {

// Adds the trusted certificates to the context's store: those of the PEM
// bundle when one is named, else the system's (defaultBundle and
// defaultFolder are the HTTP library's built-in paths; either may be empty;
// a bundle named that is defaultBundle stands for the system's store).
// False when the bundle named or the system's cannot be read.
bool trustCertificates(SSL_CTX* context, const std::string& bundle,
                       const std::string& defaultBundle, const std::string& defaultFolder);

}  // namespace platform
