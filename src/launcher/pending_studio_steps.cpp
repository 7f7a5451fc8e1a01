// Studio steps whose subsystems are not built yet; each subsystem replaces its own.
#include "launcher/bootstrapper_zaradada.h"
#include "telemetry/counters_client.h"

void BootstrapperZARadada::loadSettings() {}
void BootstrapperZARadada::DeployComponents(bool, bool) {}
void CountersClient::registerEvent(const std::string&, bool) {}
