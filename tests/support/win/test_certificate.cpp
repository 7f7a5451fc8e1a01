// The test certificate is made with OpenSSL, which the Windows build does not
// have; the https tests skip on Windows before making one.
#include "support/test_certificate.h"

#include <stdexcept>

TestCertificate::TestCertificate(const std::string&) {
    throw std::runtime_error("no test certificate on Windows (it needs OpenSSL)");
}

TestCertificate::~TestCertificate() = default;
