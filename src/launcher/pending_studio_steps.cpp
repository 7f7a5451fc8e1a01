// Studio steps whose subsystems are not built yet; each subsystem replaces its own.
#include "launcher/bootstrapper_zaradada.h"

void BootstrapperZARadada::DoInstallApp() {}
void BootstrapperZARadada::DoUninstallApp() {}
std::string BootstrapperZARadada::uninstallKey() { return {}; }
