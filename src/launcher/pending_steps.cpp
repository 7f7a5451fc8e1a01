// Steps of the run whose subsystems are not built yet. Each answers what the
// run needs to go on unchanged; its subsystem replaces it.
#include "install/file_deployer.h"
#include "launcher/bootstrapper.h"
#include "platform/network_state.h"
#include "platform/registry.h"
#include "platform/shared_memory.h"

bool Bootstrapper::isNetworkAlive() { return platform::isNetworkAlive(); }
void Bootstrapper::createFileDeployer() { fileDeployer = std::make_unique<FileDeployer>(this, perUser); }
void Bootstrapper::finalReport(const std::string&) {}
void Bootstrapper::reportRunDuration(bool) {}
void Bootstrapper::uploadLogs(bool) {}
// The install series of the metrics writer; telemetry sends it.
void Bootstrapper::installSeries(bool, const std::string&, const std::string&) {}
