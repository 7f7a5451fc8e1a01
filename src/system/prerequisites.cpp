// The checks that refuse to run on a machine that cannot run the Studio.
#include "system/prerequisites.h"

#include "base/errors.h"
#include "base/logger.h"
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

void checkCpuPrerequisite(const PrerequisiteReport& report) {
    if (prerequisiteProbes().cpuHasSse2()) return;
    report.logger.log("checkCPUPrerequisit failed");
    if (report.interactive) report.showMessage("Vexmoor requires SSE2 support");
    throw installer_error_exception(kCpuPreRequisite);
}

void checkOsPrerequisite(const PrerequisiteReport& report) {
    report.logger.log("checkOSPrerequisit");
    const platform::OsVersionInfo version = platform::osVersion();
    report.logger.log("OSVERSIONINFO.dwMajorVersion %d", static_cast<int>(version.majorVersion));
    report.logger.log("OSVERSIONINFO.wServicePackMajor %d",
                      static_cast<int>(version.servicePackMajor));
    report.logger.log("OSVERSIONINFO.wServicePackMinor %d",
                      static_cast<int>(version.servicePackMinor));
    report.logger.log("OSVERSIONINFO.dwBuildNumber %d", static_cast<int>(version.buildNumber));
    report.logger.log("OSVERSIONINFO.dwPlatformId %d", static_cast<int>(version.platformId));
    if (prerequisiteProbes().osMeetsMinimum()) return;
    report.logger.log("checkOSPrerequisit failed");
    if (report.interactive)
        report.showMessage("Vexmoor requires Microsoft Windows XP SP1 or greater");
    throw installer_error_exception(kOSPreRequisite);
}

void checkBrowserPrerequisite(const PrerequisiteReport& report) {
    if (!prerequisiteProbes().hasBrowserComponent()) return;
    std::string version;
    if (readBrowserVersion(version) && browserVersionSupported(version)) return;
    report.logger.log("checkIEPrerequisit failed");
    if (report.interactive)
        report.showMessage("Vexmoor requires Microsoft Internet Explorer 6.0 or greater");
    throw installer_error_exception(kIEPreRequisite);
}

void checkDiskSpacePrerequisite(const PrerequisiteReport& report, const std::string& folder) {
    const std::optional<uint64_t> freeBytes = prerequisiteProbes().freeDiskBytes(folder);
    if (!freeBytes)
        report.logger.log("checkDiskSpacePrerequisit - free space of '%s' unknown", folder.c_str());
    if (enoughDiskSpace(freeBytes)) return;
    report.showMessage(
        "There is not enough room on your disk to install Vexmoor. Please free up some space and "
        "try again.");
    throw installer_error_exception(kDiskSpacePreRequisite);
}
