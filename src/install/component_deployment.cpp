#include "install/component_deployment.h"

#include <stdexcept>
#include <thread>

#include "base/create_directory.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "install/deployment_wait.h"
#include "install/file_deployer.h"
#include "install/file_stamps.h"
#include "install/replacing_file.h"
#include "install/update_source.h"
#include "net/cdn_selection.h"
#include "platform/clock.h"
#include "ui/main_dialog.h"

std::vector<std::shared_ptr<Progress>> startPackageWorkers(
    const std::shared_ptr<void>& siteOwner, const std::shared_ptr<FileDeployer>& deployer,
    const std::vector<ComponentPackage>& table, bool unzip,
    const std::shared_ptr<const UpdateSource>& source, const std::shared_ptr<FileStamps>& stamps) {
    std::vector<std::shared_ptr<Progress>> records;
    for (size_t i = 0; i < table.size(); ++i) records.push_back(std::make_shared<Progress>());
    for (size_t i = 0; i < table.size(); ++i) {
        // Detached, never joined: the worker's shares keep everything it touches.
        std::thread([siteOwner, deployer, record = records[i], row = table[i], unzip, source,
                     stamps] {
            deployer->deployVersionedFile(row.package, row.folder, *record, unzip, source, stamps);
        }).detach();
    }
    return records;
}

namespace {

// Empty when the scope has no Downloads folder: deployments then keep no record.
std::string stampsPath(IInstallerSite& site, const FileDeployer& deployer) {
    try {
        return deployer.stampsPath();
    } catch (const std::exception& e) {
        site.logger().log("No record of the deployed files: %s", e.what());
        return {};
    }
}

}  // namespace

std::string resolveContentHost(IInstallerSite& site) {
    std::string host;
    if (site.useInstallerCdnList()) host = getInstallerCdn(site);
    if (host.empty()) host = getPrimaryCdn(site);
    return host;
}

void deployComponentPackages(IInstallerSite& site, const PackageDeployment& deployment,
                             const std::vector<ComponentPackage>& table, bool upgrade, bool unzip) {
    deployment.setUiMessage(std::string(upgrade ? "Upgrading " : "Installing ") +
                            deployment.displayName + " ...");
    site.reportProgress(0, 100);
    if (deployment.perModeLogging)
        deployment.registerEvent(resolveContentHost(site).empty()
                                     ? "BootstrapperUpdateOrInstallUnableToResolveCdnHost"
                                     : "BootstrapperUpdateOrInstallResolvedCdnHost");

    const std::shared_ptr<FileDeployer> deployer = deployment.deployer;
    if (!deployer) throw std::runtime_error("deployComponentPackages: no file deployer");
    const uint32_t start = platform::tickCount();
    // Throws bad_weak_ptr when nothing owns the site.
    const std::shared_ptr<void> siteOwner(deployment.siteOwner);
    const std::string stamps = unzip ? stampsPath(site, *deployer) : std::string();
    std::shared_ptr<const UpdateSource> source;
    if (upgrade && unzip && !deployment.installedVersionFolder.empty())
        source = loadUpdateSource(site, deployment.installedVersionFolder, stamps);
    const auto deployed = stamps.empty() ? nullptr : std::make_shared<FileStamps>();
    const auto records = startPackageWorkers(siteOwner, deployer, table, unzip, source, deployed);

    CMainDialog* dialog = deployment.dialog;
    DeploymentWaitHooks hooks;
    hooks.reportProgress = [&site](int64_t done, int64_t total) {
        site.reportProgress(done, total);
    };
    hooks.setMarquee = [dialog](bool on) {
        if (dialog) dialog->setMarquee(on);
    };
    hooks.checkCancel = [&site] { site.checkCancel(); };
    waitForPackages(records, hooks);
    if (deployed) deployer->setDeployedFiles(deployed);

    if (deployment.perModeLogging)
        deployment.reportStats(deployment.productName + "BootstrapperDeploy", "Success",
                               static_cast<int64_t>(platform::tickCount() - start),
                               deployer->bytesReceived());
    if (dialog) dialog->setMarquee(true);
}

void prepareStudioVersionFolder(const std::string& versionFolder) {
    // Each folder after its parent.
    for (const std::string& folder : studioComponentFolders())
        createDirectory(versionFolder + folder);
    // A launcher killed while unpacking into this folder left its unfinished files.
    removeReplacingFileLeftovers(versionFolder);
}
