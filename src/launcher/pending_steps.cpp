// Steps of the run whose subsystems are not built yet. Each answers what the
// run needs to go on unchanged; its subsystem replaces it.
#include "install/file_deployer.h"
#include "launcher/bootstrapper.h"
#include "platform/network_state.h"
#include "platform/registry.h"
#include "platform/shared_memory.h"

std::string Bootstrapper::programDirectory() { return {}; }
std::string Bootstrapper::installedVersion() { return {}; }
bool Bootstrapper::checkBootstrapperVersion() {
    versionGuid_ = fetchVersionGuid();
    return true;
}
void Bootstrapper::refreshInstalledLaunchers() {}
void Bootstrapper::deploySelf() {}
void Bootstrapper::loadPrevVersions() {}
void Bootstrapper::storePrevVersions() {}
void Bootstrapper::deleteVersionFolder(const std::string&) {}
void Bootstrapper::uninstall(bool) {}
void Bootstrapper::forceUninstallMFCStudio() {}
void Bootstrapper::checkCPUPrerequisit() {}
void Bootstrapper::checkOSPrerequisit() {}
void Bootstrapper::checkIEPrerequisit() {}
void Bootstrapper::checkDiskSpacePrerequisit() {}
void Bootstrapper::checkInstalledFiles() {}
void Bootstrapper::checkAppExecutable() {}
bool Bootstrapper::isNetworkAlive() { return platform::isNetworkAlive(); }
void Bootstrapper::install() {}
void Bootstrapper::createFileDeployer() { fileDeployer = std::make_unique<FileDeployer>(this, perUser); }
void Bootstrapper::openClassesKey() {}
void Bootstrapper::initializeCookiePath() {}
