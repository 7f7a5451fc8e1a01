#include "our_deployment.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "install/file_deployer.h"
#include "launcher/bootstrapper_zaradada.h"
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

}  // namespace

int deployInChild(const std::string& runFolder, const std::string& installHost,
                  const std::string& guid) {
    isolate(runFolder);
    int status = 0;
    try {
        auto bootstrapper = std::make_shared<BootstrapperZARadada>(nullptr);
        bootstrapper->dialog()->setSilent(true);
        bootstrapper->installHost_ = installHost;
        bootstrapper->baseHost_ = installHost;
        bootstrapper->versionGuid_ = guid;
        bootstrapper->fileDeployer = std::make_shared<FileDeployer>(bootstrapper.get(), true);
        bootstrapper->DeployComponents(false, true);
        std::printf("received %lld\n",
                    static_cast<long long>(bootstrapper->fileDeployer->bytesReceived()));
    } catch (const std::exception& e) {
        std::printf("failed: %s\n", e.what());
        status = 1;
    }
    // The workers are detached: leave without running static destructors under them.
    std::fflush(stdout);
    std::_Exit(status);
}
