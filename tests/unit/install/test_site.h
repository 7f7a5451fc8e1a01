#pragma once
// A site for install tests: a real log in the test's temporary folder, a
// cancel flag, and the errors reported to it.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/installer_site.h"
#include "base/logger.h"

class InstallTestSite : public IInstallerSite {
public:
    InstallTestSite() : logger_(std::make_unique<simple_logger>("log")) {}

    std::string baseHost() override { return "zorbit.localhost"; }
    std::string installHost() override { return "setup.zorbit.localhost"; }
    std::string versionGuid() override { return "version-0a1b"; }
    simple_logger& logger() override { return *logger_; }
    void reportProgress(int64_t done, int64_t total) override {
        std::lock_guard guard(lock_);
        progress.emplace_back(done, total);
    }
    void checkCancel() override {
        ++cancelChecks;
        if (cancelled) throw cancel_exception(true);
    }
    void reportError(const std::exception& e) override {
        std::lock_guard guard(lock_);
        errors.emplace_back(e.what());
    }
    std::string programDirectory() override { return {}; }
    bool useInstallerCdnList() override { return false; }
    bool useFixedCdnMapping() override { return false; }

    std::atomic<bool> cancelled{false};
    std::atomic<int> cancelChecks{0};
    std::vector<std::pair<int64_t, int64_t>> progress;
    std::vector<std::string> errors;

private:
    std::unique_ptr<simple_logger> logger_;
    std::mutex lock_;
};
