#include "install/component_deployment.h"

#include <stdexcept>
#include <thread>

#include "base/create_directory.h"
#include "install/deployment_wait.h"
#include "install/file_deployer.h"
#include "install/replacing_file.h"
#include "launcher/bootstrapper_zaradada.h"
#include "net/cdn_selection.h"
#include "platform/clock.h"
#include "ui/main_dialog.h"

std::vector<std::shared_ptr<Progress>> startPackageWorkers(
    const std::shared_ptr<void>& siteOwner, const std::shared_ptr<FileDeployer>& deployer,
    const std::vector<ComponentPackage>& table, bool unzip) {
    std::vector<std::shared_ptr<Progress>> records;
    for (size_t i = 0; i < table.size(); ++i) records.push_back(std::make_shared<Progress>());
    for (size_t i = 0; i < table.size(); ++i) {
        // Detached, never joined: the worker's shares keep everything it touches.
        std::thread([siteOwner, deployer, record = records[i], row = table[i], unzip] {
            deployer->deployVersionedFile(row.package, row.folder, *record, unzip);
        }).detach();
    }
    return records;
}

std::string resolveContentHost(IInstallerSite& site) {
    std::string host;
    if (site.useInstallerCdnList()) host = getInstallerCdn(site);
    if (host.empty()) host = getPrimaryCdn(site);
    return host;
}

void Bootstrapper::deployComponentPackages(const std::vector<ComponentPackage>& table, bool upgrade,
                                           bool unzip) {
    setUiMessage(std::string(upgrade ? "Upgrading " : "Installing ") + displayName() + " ...");
    reportProgress(0, 100);
    if (perModeLoggingEnabled())
        RegisterEvent(resolveContentHost(*this).empty()
                          ? "BootstrapperUpdateOrInstallUnableToResolveCdnHost"
                          : "BootstrapperUpdateOrInstallResolvedCdnHost");

    const std::shared_ptr<FileDeployer> deployer = fileDeployer;
    if (!deployer) throw std::runtime_error("deployComponentPackages: no file deployer");
    const uint32_t start = platform::tickCount();
    const auto records = startPackageWorkers(shared_from_this(), deployer, table, unzip);

    DeploymentWaitHooks hooks;
    hooks.reportProgress = [this](int64_t done, int64_t total) { reportProgress(done, total); };
    hooks.setMarquee = [this](bool on) {
        if (dialog_) dialog_->setMarquee(on);
    };
    hooks.checkCancel = [this] { checkCancel(); };
    waitForPackages(records, hooks);

    if (perModeLoggingEnabled())
        reportStats(productName() + "BootstrapperDeploy", "Success",
                    static_cast<int64_t>(platform::tickCount() - start), deployer->bytesReceived());
    if (dialog_) dialog_->setMarquee(true);
}

void BootstrapperZARadada::DeployComponents(bool upgrade, bool unzip) {
    // Each folder after its parent; an existing tree is taken as it is.
    const std::string version = programDirectory();
    for (const std::string& folder : studioComponentFolders()) createDirectory(version + folder);
    // A launcher killed while unpacking into this folder left its unfinished files.
    removeReplacingFileLeftovers(version);
    deployComponentPackages(studioComponentTable(), upgrade, unzip);
}
