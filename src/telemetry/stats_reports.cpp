// The Bootstrapper's reports: join-rate and stats requests, the final report,
// the run-duration counter, and the install and deployment telemetry.
#include <exception>
#include <sstream>

#include "launcher/bootstrapper.h"
#include "net/http_client.h"
#include "platform/clock.h"
#include "telemetry/analytics.h"
#include "base/format.h"
#include "telemetry/metrics_series.h"
#include "telemetry/report_vocabulary.h"
#include "telemetry/telemetry_time_bound.h"

namespace {

const HttpProgress noProgress = [](int, int) {};

// The Bootstrapper's metrics as series values.
SeriesValues seriesOf(const std::map<std::string, MetricValue>& metrics) {
    SeriesValues values;
    for (const auto& [name, value] : metrics)
        std::visit([&, &name = name](auto v) { addSeriesValue(values, name, v); }, value);
    return values;
}

}  // namespace

void Bootstrapper::reportStats(const std::string& name, const std::string& result,
                               int64_t durationMs, int64_t bytes) {
    const auto postStat = [this](const std::string& statName, int64_t value) {
        TelemetryTimeBound bound;
        std::istringstream empty;
        std::stringstream answer;
        httpPost(*this, empty, "*/*", answer, false, baseHost(),
                 format("/game/report-stats?name=%s&value=%ld", statName.c_str(),
                        static_cast<long>(value)),
                 noProgress);
    };
    try {
        std::string path = format("/Game/JoinRate.ashx?c=%s&r=%s&d=%ld&platform=Win32",
                                  name.c_str(), result.c_str(), static_cast<long>(durationMs));
        if (bytes != 0) path += format("&b=%ld", static_cast<long>(bytes));
        {
            TelemetryTimeBound bound;
            std::string etag;
            std::stringstream answer;
            httpGet(*this, etag, answer, false, baseHost(), path, noProgress);
        }
        postStat(name + "_Duration", durationMs);
        if (bytes > 0) postStat(name + "_Size", bytes);
    } catch (const std::exception& e) {
        logger_->log("Error in reporting: %s", e.what());
    }
}

void Bootstrapper::report(const std::string& category, const std::string& result) {
    const std::string name = productName() + category;
    const uint32_t elapsedMs = platform::tickCount() - constructionTick;
    reportStats(name, result, elapsedMs, 0);
    RegisterEvent(name + result);

    metrics["Duration"] = elapsedSeconds(constructionTick);
    SeriesValues values = seriesOf(metrics);
    addSeriesValue(values, "Category", category);
    addSeriesValue(values, "Result", result);
    const std::string series = buildSeries("BootstrapperDuration", values);
    if (analyticsSample < influxSamplePercentage()) postSeries(series, true);

    if (result != "Success" && productName() == "Client")
        analyticsEvent(*logger_, name, result, static_cast<int>(elapsedMs));
}

void Bootstrapper::finalReport(const std::string& result) {
    try {
        logger_->log("Doing final report with result = %s", result.c_str());
        metrics["ReportFinishing"] = elapsedSeconds(constructionTick);
        FinalReportFlags flags;
        flags.installOption = installOption;
        flags.selfUpdated = selfUpdated;
        flags.updateStarted = updateStarted;
        flags.installStarted = installStarted;
        flags.failIfNotUpToDate = failIfNotUpToDate;
        flags.nonZeroExit = exitCode != 0;
        flags.prePlay = prePlay;
        flags.playMode = isPlayMode();
        for (const std::string& category : finalReportCategories(flags)) report(category, result);
    } catch (const std::exception& e) {
        logger_->log("Error in final report: %s", e.what());
    }
}

void Bootstrapper::reportRunDuration(bool playMode) {
    try {
        const uint32_t elapsedMs = platform::tickCount() - constructionTick;
        RegisterEvent(format("Bootstrapper%sRun%s", playMode ? "Play" : "",
                             runDurationBucket(elapsedMs).c_str()));
    } catch (const std::exception& e) {
        logger_->log("Error in run report: %s", e.what());
    }
}

void Bootstrapper::reportInstallSeries(bool updating, const std::string& result,
                                       const std::string& message, int64_t bytesDownloaded) {
    try {
        SeriesValues values;
        addSeriesValue(values, "Type", std::string(updating ? "Update" : "Install"));
        addSeriesValue(values, "Result", result);
        addSeriesValue(values, "Message", message);
        addSeriesValue(values, "ElapsedTime", elapsedSeconds(constructionTick));
        addSeriesValue(values, "BytesDownloaded", bytesDownloaded);
        const std::string series = buildSeries("PCInstall", values);
        if (analyticsSample < statsSamplePercentage()) postSeries(series, false);
    } catch (const std::exception& e) {
        logger_->log("Error in install report: %s", e.what());
    }
}

void Bootstrapper::reportContentHostResolution(bool resolved) {
    if (!perModeLoggingEnabled()) return;
    RegisterEvent(resolved ? "BootstrapperUpdateOrInstallResolvedCdnHost"
                           : "BootstrapperUpdateOrInstallUnableToResolveCdnHost");
}

void Bootstrapper::reportDeployment(const std::string& contentHost, uint32_t elapsedMs,
                                    int64_t bytesDownloaded) {
    try {
        if (perModeLoggingEnabled())
            reportStats(productName() + "BootstrapperDeploy", "Success", elapsedMs,
                        bytesDownloaded);
        const double seconds = elapsedMs / 1000.0;
        const int64_t bytesPerSecond =
            elapsedMs == 0 ? 0
                           : static_cast<int64_t>(static_cast<double>(bytesDownloaded) / seconds);
        SeriesValues values;
        addSeriesValue(values, "CDN", contentHost);
        addSeriesValue(values, "Duration", seconds);
        addSeriesValue(values, "BytesRecv", bytesDownloaded);
        addSeriesValue(values, "BytesPerSec", bytesPerSecond);
        const std::string series = buildSeries("PCInstallTime", values);
        if (analyticsSample < statsSamplePercentage()) postSeries(series, false);
        analyticsEvent(*logger_, "ClientInstallThroughput bytes/sec", contentHost,
                       static_cast<int>(bytesPerSecond));
        analyticsTiming(*logger_, static_cast<int>(elapsedMs), contentHost);
    } catch (const std::exception& e) {
        logger_->log("Error in deployment report: %s", e.what());
    }
}
