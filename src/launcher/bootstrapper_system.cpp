// The Bootstrapper's system operations: prerequisite checks, registry set-up,
// shortcuts and uninstall, each handing the run's facts to its system/ step.
#include "launcher/bootstrapper.h"
#include "platform/registry.h"
#include "system/earlier_studio.h"
#include "system/initialization_keys.h"
#include "system/prerequisites.h"
#include "system/registered_values.h"
#include "system/shortcuts.h"
#include "system/uninstall.h"

namespace {

PrerequisiteReport prerequisiteReport(Bootstrapper& bootstrapper) {
    return {bootstrapper.logger(), bootstrapper.interactive,
            [&bootstrapper](const std::string& text) { bootstrapper.setUiMessage(text); }};
}

}  // namespace

void Bootstrapper::checkCPUPrerequisit() {
    checkCpuPrerequisite(prerequisiteReport(*this));
}

void Bootstrapper::checkOSPrerequisit() {
    checkOsPrerequisite(prerequisiteReport(*this));
}

void Bootstrapper::checkIEPrerequisit() {
    checkBrowserPrerequisite(prerequisiteReport(*this));
}

void Bootstrapper::checkDiskSpacePrerequisit() {
    const std::string folder = programDirectory();
    checkDiskSpacePrerequisite(prerequisiteReport(*this), folder);
}

std::string Bootstrapper::installedVersion() {
    return registeredVersion(*logger_, perUser, productRegistryKey(), machineScopeUsed);
}

void Bootstrapper::openClassesKey() {
    classesKey = ::openClassesKey(*logger_, perUser);
}

void Bootstrapper::initializeCookiePath() {
    ::initializeCookiePath(*logger_);
}

void Bootstrapper::CreateShortcuts(bool forced) {
    createStudioShortcuts(*this,
                          {perUser, launcherExeName(), [this] { return installedLauncherPath(); },
                           [this](const std::string& event) { RegisterEvent(event); }},
                          forced);
}

void Bootstrapper::uninstall(bool perUserScope) {
    uninstallScope(
        *this, {perUserScope, uninstallKey(), productRegistryKey(), appExeName(), protocolScheme(),
                [this](const std::string& image) { shutdownRunningApp(image); },
                [this, perUserScope] {
                    if (perUserScope == perUser) versionGuid_.clear();
                },
                [this](const platform::RegistryKey& root) { DoUninstallApp(root); },
                [this, perUserScope](const std::string& version) {
                    deleteVersionFolder(perUserScope, version);
                },
                [this, perUserScope] { deleteAllVersionFolders(perUserScope); }});
}

std::vector<std::string> Bootstrapper::versionsOfScope(bool perUserScope) {
    return ::versionsOfScope(perUserScope, productRegistryKey());
}

void Bootstrapper::forceUninstallMFCStudio() {
    auto startUninstaller = [this](const std::string& uninstaller) {
        platform::ProcessInfo process;
        CreateProcess(uninstaller, "", process);
    };
    uninstallEarlierStudio(*logger_,
                           {perUser, startUninstaller,
                            [this](const std::string& version) { deleteVersionFolder(version); }});
}

void Bootstrapper::forceMFCStudioCleanup() {
    cleanUpEarlierStudio(*logger_, perUser);
}
