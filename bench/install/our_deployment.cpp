#include "our_deployment.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "install/file_deployer.h"
#include "launcher/bootstrapper_zaradada.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "ui/main_dialog.h"

namespace {

void isolate(const std::string& runFolder) {
    const std::pair<const char*, const char*> folders[] = {
        {"HOME", "/home"},          {"XDG_CONFIG_HOME", "/config"},
        {"XDG_DATA_HOME", "/data"}, {"XDG_CACHE_HOME", "/cache"},
        {"TMPDIR", "/tmp"},         {"ZORBIT_MACHINE_STATE_DIR", "/machine"}};
    for (const auto& [name, sub] : folders) {
        std::filesystem::create_directories(runFolder + sub);
        ::setenv(name, (runFolder + sub).c_str(), 1);
    }
}

std::shared_ptr<BootstrapperZARadada> makeBootstrapper(const std::string& installHost) {
    auto bootstrapper = std::make_shared<BootstrapperZARadada>(nullptr);
    bootstrapper->dialog()->setSilent(true);
    bootstrapper->installHost_ = installHost;
    bootstrapper->baseHost_ = installHost;
    bootstrapper->fileDeployer = std::make_shared<FileDeployer>(bootstrapper.get(), true);
    return bootstrapper;
}

// The workers are detached: leave without running static destructors under them.
[[noreturn]] void leave(int status) {
    std::fflush(stdout);
    std::_Exit(status);
}

// Prints the deployment's seconds after the word, and the bytes received.
void timedDeploy(BootstrapperZARadada& bootstrapper, bool upgrade, const char* word) {
    const auto start = std::chrono::steady_clock::now();
    bootstrapper.DeployComponents(upgrade, true);
    // The record the next update starts from is part of either.
    bootstrapper.fileDeployer->keepFileRecord(bootstrapper.programDirectory(),
                                              bootstrapper.versionGuid_);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%s %.6f\nreceived %lld\n", word, took.count(),
                static_cast<long long>(bootstrapper.fileDeployer->bytesReceived()));
}

}  // namespace

int deployInChild(const std::string& runFolder, const std::string& installHost,
                  const std::string& guid) {
    isolate(runFolder);
    int status = 0;
    try {
        auto bootstrapper = makeBootstrapper(installHost);
        bootstrapper->versionGuid_ = guid;
        timedDeploy(*bootstrapper, false, "deploy");
    } catch (const std::exception& e) {
        std::printf("failed: %s\n", e.what());
        status = 1;
    }
    leave(status);
}

int updateInChild(const std::string& runFolder, const std::string& installHost,
                  const std::string& from, const std::string& to) {
    isolate(runFolder);
    int status = 0;
    try {
        auto bootstrapper = makeBootstrapper(installHost);
        bootstrapper->versionGuid_ = from;
        bootstrapper->DeployComponents(false, true);
        bootstrapper->fileDeployer->keepFileRecord(bootstrapper->programDirectory(), from);
        RegistryKeyPtr appKey = createKey(installRootKey(true), bootstrapper->productRegistryKey());
        throwIfRegistryFailed(setStringValue(*appKey, kVersionValue, from),
                              "Failed to set version key value");
        bootstrapper->versionGuid_ = to;
        bootstrapper->fileDeployer = std::make_shared<FileDeployer>(bootstrapper.get(), true);
        timedDeploy(*bootstrapper, true, "update");
    } catch (const std::exception& e) {
        std::printf("failed: %s\n", e.what());
        status = 1;
    }
    leave(status);
}
