#pragma once
// The run's reports: join-rate and stats requests, the final report, the
// run-duration counter, and the install and deployment telemetry. None of
// these throws or changes the run's outcome.

#include <cstdint>
#include <functional>
#include <string>

#include "telemetry/report_vocabulary.h"
#include "telemetry/run_metrics.h"

class IInstallerSite;

// What the reports read and write of the run.
struct ReportedRun {
    // The base host the stats go to, and the log.
    IInstallerSite& site;
    std::string productName;
    uint32_t constructionTick = 0;
    RunMetrics& metrics;
    // The run's draw (0 to 9999) against the sample percentages below.
    int32_t analyticsSample = 0;
    int32_t influxSamplePercentage = 0;
    int32_t statsSamplePercentage = 0;
    bool perModeLogging = false;
    // Counts the named event (the profile's RegisterEvent).
    std::function<void(const std::string& name)> registerEvent;
};

// The join-rate GET and the report-stats POSTs of one measurement.
void reportStats(IInstallerSite& site, const std::string& name, const std::string& result,
                 int64_t durationMs, int64_t bytes);
// One category of the final report: stats, counter and duration series.
void report(const ReportedRun& run, const std::string& category, const std::string& result);
// The final report ("Success", "Error", "Cancel") of every category the flags call for.
void finalReport(const ReportedRun& run, const FinalReportFlags& flags, const std::string& result);
void reportRunDuration(const ReportedRun& run, bool playMode);
// The "PCInstall" series of an install or update.
void reportInstallSeries(const ReportedRun& run, bool updating, const std::string& result,
                         const std::string& message, int64_t bytesDownloaded);
void reportContentHostResolution(const ReportedRun& run, bool resolved);
// The deployment stats (with per-mode logging), the "PCInstallTime" series and
// the throughput analytics of a deployment that went well.
void reportDeployment(const ReportedRun& run, const std::string& contentHost, uint32_t elapsedMs,
                      int64_t bytesDownloaded);
