// The Studio profile's system steps, handed the profile's names.
#include "launcher/bootstrapper_zaradada.h"
#include "platform/registry.h"
#include "system/studio_uninstall.h"

void BootstrapperZARadada::DoUninstallApp(const platform::RegistryKey& root) {
    uninstallStudioApp(
        logger(), root,
        {perUser, classesKey.get(), productName(), productRegistryKey(), launcherExeName(),
         protocolScheme(), [this](const std::string& target) { return deploySelfTo(target); }});
}
