#pragma once
// The narrow view of the run that the file deployers and the content-host
// selection get: hosts, version, log, progress, cancellation and errors.

#include <cstdint>
#include <exception>
#include <string>

class simple_logger;

class IInstallerSite {
public:
    virtual ~IInstallerSite() = default;
    virtual std::string baseHost() = 0;
    virtual std::string installHost() = 0;
    virtual std::string versionGuid() = 0;
    virtual simple_logger& logger() = 0;
    virtual void reportProgress(int64_t done, int64_t total) = 0;
    // Throws cancel_exception or previous_error when the run must stop.
    virtual void checkCancel() = 0;
    virtual void reportError(const std::exception& e) = 0;
    virtual std::string programDirectory() = 0;
    virtual bool useInstallerCdnList() = 0;
    virtual bool useFixedCdnMapping() = 0;
};
