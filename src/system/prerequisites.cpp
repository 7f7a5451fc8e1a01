// The checks that refuse to run on a machine that cannot run the Studio.
#include "system/prerequisites.h"

#include "launcher/bootstrapper.h"
#include "base/errors.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace {

PrerequisiteProbes platformProbes() {
    return {platform::cpuHasSse2, platform::osMeetsMinimum, platform::hasSystemBrowserComponent,
            platform::freeDiskBytes};
}

}  // namespace

PrerequisiteProbes& prerequisiteProbes() {
    static PrerequisiteProbes probes = platformProbes();
    return probes;
}

void resetPrerequisiteProbes() {
    prerequisiteProbes() = platformProbes();
}

bool enoughDiskSpace(std::optional<uint64_t> freeBytes) {
    return !freeBytes || *freeBytes >= kRequiredFreeDiskBytes;
}

bool readBrowserVersion(std::string& version) {
    RegistryKeyPtr key =
        openKey(platform::RegistryKey::root(platform::RegistryHive::LocalMachine), kBrowserKeyPath);
    return key && tryReadStringValue(*key, kBrowserVersionValue, kBrowserVersionChars, version);
}

bool browserVersionSupported(const std::string& version) {
    return !version.empty() && static_cast<unsigned char>(version[0]) >= '6';
}

void Bootstrapper::checkCPUPrerequisit() {
    if (prerequisiteProbes().cpuHasSse2()) return;
    logger_->log("checkCPUPrerequisit failed");
    if (interactive) setUiMessage("Vexmoor requires SSE2 support");
    throw installer_error_exception(kCpuPreRequisite);
}

void Bootstrapper::checkOSPrerequisit() {
    logger_->log("checkOSPrerequisit");
    const platform::OsVersionInfo version = platform::osVersion();
    logger_->log("OSVERSIONINFO.dwMajorVersion %d", static_cast<int>(version.majorVersion));
    logger_->log("OSVERSIONINFO.wServicePackMajor %d", static_cast<int>(version.servicePackMajor));
    logger_->log("OSVERSIONINFO.wServicePackMinor %d", static_cast<int>(version.servicePackMinor));
    logger_->log("OSVERSIONINFO.dwBuildNumber %d", static_cast<int>(version.buildNumber));
    logger_->log("OSVERSIONINFO.dwPlatformId %d", static_cast<int>(version.platformId));
    if (prerequisiteProbes().osMeetsMinimum()) return;
    logger_->log("checkOSPrerequisit failed");
    if (interactive) setUiMessage("Vexmoor requires Microsoft Windows XP SP1 or greater");
    throw installer_error_exception(kOSPreRequisite);
}

void Bootstrapper::checkIEPrerequisit() {
    if (!prerequisiteProbes().hasBrowserComponent()) return;
    std::string version;
    if (readBrowserVersion(version) && browserVersionSupported(version)) return;
    logger_->log("checkIEPrerequisit failed");
    if (interactive) setUiMessage("Vexmoor requires Microsoft Internet Explorer 6.0 or greater");
    throw installer_error_exception(kIEPreRequisite);
}

void Bootstrapper::checkDiskSpacePrerequisit() {
    const std::string folder = programDirectory();
    const std::optional<uint64_t> freeBytes = prerequisiteProbes().freeDiskBytes(folder);
    if (!freeBytes)
        logger_->log("checkDiskSpacePrerequisit - free space of '%s' unknown", folder.c_str());
    if (enoughDiskSpace(freeBytes)) return;
    setUiMessage(
        "There is not enough room on your disk to install Vexmoor. Please free up some space and "
        "try again.");
    throw installer_error_exception(kDiskSpacePreRequisite);
}
