// Steps of the run whose subsystems are not built yet. Each answers what the
// run needs to go on unchanged; its subsystem replaces it.
#include "launcher/bootstrapper.h"
#include "platform/network_state.h"
#include "platform/registry.h"
#include "platform/shared_memory.h"

void Bootstrapper::deploySelf() {}
void Bootstrapper::loadPrevVersions() {}
void Bootstrapper::storePrevVersions() {}
void Bootstrapper::uninstall(bool) {}
void Bootstrapper::forceUninstallMFCStudio() {}
bool Bootstrapper::isNetworkAlive() { return platform::isNetworkAlive(); }
void Bootstrapper::install() {}
