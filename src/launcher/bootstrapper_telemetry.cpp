// The Bootstrapper's telemetry (telemetry/): reports, log upload, and the
// Studio profile's settings load and last counters.
#include "launcher/bootstrapper_zaradada.h"
#include "telemetry/counters_client.h"
#include "telemetry/log_upload.h"
#include "telemetry/stats_reports.h"
#include "telemetry/studio_telemetry.h"

namespace {

ReportedRun reportedRun(Bootstrapper& b) {
    return ReportedRun{.site = b,
                       .productName = b.productName(),
                       .constructionTick = b.constructionTick,
                       .metrics = b.metrics,
                       .analyticsSample = b.analyticsSample,
                       .influxSamplePercentage = b.influxSamplePercentage(),
                       .statsSamplePercentage = b.statsSamplePercentage(),
                       .perModeLogging = b.perModeLoggingEnabled(),
                       .registerEvent = [&b](const std::string& name) { b.RegisterEvent(name); }};
}

FinalReportFlags finalReportFlags(Bootstrapper& b) {
    FinalReportFlags flags;
    flags.installOption = b.installOption;
    flags.selfUpdated = b.selfUpdated;
    flags.updateStarted = b.updateStarted;
    flags.installStarted = b.installStarted;
    flags.failIfNotUpToDate = b.failIfNotUpToDate;
    flags.nonZeroExit = b.exitCode != 0;
    flags.prePlay = b.prePlay;
    flags.playMode = b.isPlayMode();
    return flags;
}

}  // namespace

void Bootstrapper::reportStats(const std::string& name, const std::string& result,
                               int64_t durationMs, int64_t bytes) {
    ::reportStats(*this, name, result, durationMs, bytes);
}

void Bootstrapper::report(const std::string& category, const std::string& result) {
    ::report(reportedRun(*this), category, result);
}

void Bootstrapper::finalReport(const std::string& result) {
    ::finalReport(reportedRun(*this), finalReportFlags(*this), result);
}

void Bootstrapper::reportRunDuration(bool playMode) {
    ::reportRunDuration(reportedRun(*this), playMode);
}

void Bootstrapper::reportInstallSeries(bool updating, const std::string& result,
                                       const std::string& message, int64_t bytesDownloaded) {
    ::reportInstallSeries(reportedRun(*this), updating, result, message, bytesDownloaded);
}

void Bootstrapper::reportContentHostResolution(bool resolved) {
    ::reportContentHostResolution(reportedRun(*this), resolved);
}

void Bootstrapper::reportDeployment(const std::string& contentHost, uint32_t elapsedMs,
                                    int64_t bytesDownloaded) {
    ::reportDeployment(reportedRun(*this), contentHost, elapsedMs, bytesDownloaded);
}

void Bootstrapper::uploadLog(std::istream& stream) {
    ::uploadLog({*this, stage, correlationId, useDataDomain()}, stream);
}

void Bootstrapper::uploadLogs(bool withAppLogs) {
    ::uploadLogs({*this, stage, correlationId, useDataDomain()}, withAppLogs);
}

void BootstrapperZARadada::loadSettings() {
    loadStudioSettings(settings, baseHost(), logger());
}

// Counters not fired at once are posted together as the run ends.
void BootstrapperZARadada::beforeExit() {
    if (countersClient) countersClient->postPending();
}
