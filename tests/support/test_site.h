#pragma once
// A concrete IInstallerSite for the tests of the parts that take one: settable
// hosts and hooks, a cancel switch, the progress and errors reported to it, and
// a real simple_logger whose file the test reads back. Make it after pointing
// TMPDIR at the test's folder.

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/installer_site.h"
#include "base/logger.h"

class TestSite : public IInstallerSite {
public:
    TestSite() = default;

    std::string baseHost() override { return baseHostName; }
    std::string installHost() override { return installHostName; }
    std::string versionGuid() override { return versionGuidText; }
    simple_logger& logger() override { return logger_; }
    void reportProgress(int64_t done, int64_t total) override;
    void checkCancel() override;
    void reportError(const std::exception& e) override;
    std::string programDirectory() override { return programDirectoryPath; }
    bool useInstallerCdnList() override { return installerCdnList; }
    bool useFixedCdnMapping() override { return fixedCdnMapping; }

    // Everything logged so far.
    std::string logText() const;
    // How many lines of the log contain text.
    int logCount(const std::string& text) const;
    std::vector<std::string> reportedErrors();
    // Every (done, total) pair reported, in order.
    std::vector<std::pair<int64_t, int64_t>> reportedProgress();

    std::string baseHostName;
    std::string installHostName;
    std::string versionGuidText;
    std::string programDirectoryPath;
    bool installerCdnList = false;
    bool fixedCdnMapping = false;
    std::atomic<bool> cancelled{false};

private:
    simple_logger logger_{"log"};
    std::mutex lock_;
    std::vector<std::string> errors_;
    std::vector<std::pair<int64_t, int64_t>> progress_;
};
