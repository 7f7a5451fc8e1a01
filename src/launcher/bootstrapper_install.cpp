// The Bootstrapper's install operations: the version lookup, the version
// folders and their record, the deployment and the launcher's own copies. The
// work is done in install/ and system/ over what each step needs of the run.
#include <memory>

#include "install/component_deployment.h"
#include "install/deploy_self.h"
#include "install/file_deployer.h"
#include "install/prev_versions.h"
#include "install/self_update.h"
#include "install/version_lookup.h"
#include "launcher/bootstrapper.h"
#include "platform/process.h"
#include "system/version_folders.h"

namespace {

std::function<void(const std::string&)> uiMessages(Bootstrapper& bootstrapper) {
    return [&bootstrapper](const std::string& text) { bootstrapper.setUiMessage(text); };
}

}  // namespace

std::string Bootstrapper::fetchVersionGuid(const std::string& versionFileName) {
    return ::fetchVersionGuid(*logger_,
                              versionFileName.empty() ? this->versionFileName() : versionFileName,
                              [this](const std::string& name) { return requestVersionGuid(name); });
}

std::string Bootstrapper::requestVersionGuid(const std::string& versionFileName) {
    return ::requestVersionGuid(*this, versionFileName,
                                {binaryType(), useNewVersionFetch(), correlationId});
}

bool Bootstrapper::checkBootstrapperVersion() {
    LauncherVersionCheck check;
    check.handedOver = handedOver;
    check.failIfNotUpToDate = failIfNotUpToDate;
    check.debugMode = debugMode;
    check.interactive = interactive;
    check.perUser = perUser;
    check.productRegistryKey = productRegistryKey();
    check.launcherVersionFileName = launcherVersionFileName();
    check.launcherExeName = launcherExeName();
    check.arguments = argv_;
    check.dialog = dialog_.get();
    check.fetchVersionGuid = [this] { return fetchVersionGuid(); };
    check.setUiMessage = uiMessages(*this);
    check.beforeSelfUpdate = [this] { beforeSelfUpdate(); };
    check.startLauncher = [this](const std::string& program, const std::string& arguments,
                                 const std::vector<std::string>& environment) {
        platform::ProcessInfo process;
        CreateProcess(program, arguments, process, environment);
        selfUpdated = true;
    };
    return checkLauncherVersion(*this, check, versionGuid_, selfUpdateVersion);
}

void Bootstrapper::refreshInstalledLaunchers() {
    ::refreshInstalledLaunchers(*this, perUser, launcherExeName(), installedVersion());
}

std::string Bootstrapper::installedLauncherPath() {
    return programDirectory() + launcherExeName();
}

void Bootstrapper::replaceInstalledCopy(const std::string& installed) {
    ::replaceInstalledCopy(*logger_, installed);
}

void Bootstrapper::deploySelf() {
    ::deploySelf(*this, launcherExeName());
}

bool Bootstrapper::deploySelfTo(const std::string& target) {
    return ::deploySelfTo(*logger_, target);
}

// Created by initialization, and again when it runs again; workers of an
// earlier deployment keep the deployer they started with.
void Bootstrapper::createFileDeployer() {
    fileDeployer = std::make_shared<FileDeployer>(this, perUser);
}

void Bootstrapper::deployComponentPackages(const std::vector<ComponentPackage>& table, bool upgrade,
                                           bool unzip) {
    PackageDeployment deployment;
    deployment.siteOwner = weak_from_this();
    deployment.deployer = fileDeployer;
    deployment.dialog = dialog_.get();
    deployment.productName = productName();
    deployment.displayName = displayName();
    deployment.perModeLogging = perModeLoggingEnabled();
    const std::string installed = installedVersion();
    if (upgrade && !installed.empty() && installed != versionGuid_)
        deployment.installedVersionFolder = versionFolder(perUser, installed);
    deployment.setUiMessage = uiMessages(*this);
    deployment.registerEvent = [this](const std::string& name) { RegisterEvent(name); };
    deployment.reportStats = [this](const std::string& name, const std::string& result,
                                    int64_t durationMs, int64_t bytes) {
        reportStats(name, result, durationMs, bytes);
    };
    ::deployComponentPackages(*this, deployment, table, upgrade, unzip);
}

void Bootstrapper::loadPrevVersions() {
    ::loadPrevVersions(*logger_, perUser, prevVersions);
}

void Bootstrapper::storePrevVersions() {
    ::storePrevVersions(*logger_, perUser, prevVersions);
}

std::string Bootstrapper::programDirectory() {
    return versionFolder(perUser, versionGuid_);
}

void Bootstrapper::deleteVersionFolder(const std::string& version) {
    ::deleteVersionFolder(*this, perUser, version, [this] { return installedVersion(); });
}

void Bootstrapper::deleteVersionFolder(bool perUserScope, const std::string& version) {
    // Only the removed scope's own record counts: the other scope's installation
    // is not this folder's.
    ::deleteVersionFolder(*this, perUserScope, version, [this, perUserScope] {
        return scopeInstalledVersion(perUserScope, productRegistryKey());
    });
}

void Bootstrapper::deleteAllVersionFolders() {
    deleteAllVersionFolders(perUser);
}

void Bootstrapper::deleteAllVersionFolders(bool perUserScope) {
    ::deleteAllVersionFolders(*this, perUserScope);
}
