// The Studio profile's install steps; install/ does the work.
#include "install/component_deployment.h"
#include "install/install_steps.h"
#include "launcher/bootstrapper_zaradada.h"
#include "system/registry_keys.h"

void BootstrapperZARadada::DeployComponents(bool upgrade, bool unzip) {
    prepareStudioVersionFolder(programDirectory());
    deployComponentPackages(studioComponentTable(), upgrade, unzip);
}

void BootstrapperZARadada::DoInstallApp() {
    StudioInstall install;
    install.perUser = perUser;
    install.productName = productName();
    install.productRegistryKey = productRegistryKey();
    install.protocolScheme = protocolScheme();
    install.appExeName = appExeName();
    install.launcherExeName = launcherExeName();
    install.installedVersion = [this] { return installedVersion(); };
    install.deployComponents = [this](bool upgrade, bool unzip) {
        DeployComponents(upgrade, unzip);
    };
    install.setUiMessage = [this](const std::string& text) { setUiMessage(text); };
    install.createShortcuts = [this](bool forced) { CreateShortcuts(forced); };
    installStudio(*this, install, classesKey);
}

void BootstrapperZARadada::writeAppSettings() {
    ::writeAppSettings(*this, [this](const std::string& text) { setUiMessage(text); });
}

std::string BootstrapperZARadada::uninstallKey() {
    return kUninstallKeyPath;
}
