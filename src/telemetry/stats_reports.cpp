#include "telemetry/stats_reports.h"

#include <exception>
#include <sstream>

#include "base/format.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "net/http_client.h"
#include "platform/clock.h"
#include "telemetry/analytics.h"
#include "telemetry/metrics_series.h"
#include "telemetry/report_vocabulary.h"
#include "telemetry/telemetry_time_bound.h"

namespace {

const HttpProgress noProgress = [](int, int) {};

// The run's metrics as series values.
SeriesValues seriesOf(const RunMetrics& metrics) {
    SeriesValues values;
    for (const auto& [name, value] : metrics)
        std::visit([&, &name = name](auto v) { addSeriesValue(values, name, v); }, value);
    return values;
}

}  // namespace

void reportStats(IInstallerSite& site, const std::string& name, const std::string& result,
                 int64_t durationMs, int64_t bytes) {
    const auto postStat = [&site](const std::string& statName, int64_t value) {
        TelemetryTimeBound bound;
        std::istringstream empty;
        std::stringstream answer;
        httpPost(site, empty, "*/*", answer, false, site.baseHost(),
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
            httpGet(site, etag, answer, false, site.baseHost(), path, noProgress);
        }
        postStat(name + "_Duration", durationMs);
        if (bytes > 0) postStat(name + "_Size", bytes);
    } catch (const std::exception& e) {
        site.logger().log("Error in reporting: %s", e.what());
    }
}

void report(const ReportedRun& run, const std::string& category, const std::string& result) {
    const std::string name = run.productName + category;
    const uint32_t elapsedMs = platform::tickCount() - run.constructionTick;
    reportStats(run.site, name, result, elapsedMs, 0);
    run.registerEvent(name + result);

    run.metrics["Duration"] = elapsedSeconds(run.constructionTick);
    SeriesValues values = seriesOf(run.metrics);
    addSeriesValue(values, "Category", category);
    addSeriesValue(values, "Result", result);
    const std::string series = buildSeries("BootstrapperDuration", values);
    if (run.analyticsSample < run.influxSamplePercentage) postSeries(series, true);

    if (result != "Success" && run.productName == "Client")
        analyticsEvent(run.site.logger(), name, result, static_cast<int>(elapsedMs));
}

void finalReport(const ReportedRun& run, const FinalReportFlags& flags, const std::string& result) {
    try {
        run.site.logger().log("Doing final report with result = %s", result.c_str());
        run.metrics["ReportFinishing"] = elapsedSeconds(run.constructionTick);
        for (const std::string& category : finalReportCategories(flags))
            report(run, category, result);
    } catch (const std::exception& e) {
        run.site.logger().log("Error in final report: %s", e.what());
    }
}

void reportRunDuration(const ReportedRun& run, bool playMode) {
    try {
        const uint32_t elapsedMs = platform::tickCount() - run.constructionTick;
        run.registerEvent(format("Bootstrapper%sRun%s", playMode ? "Play" : "",
                                 runDurationBucket(elapsedMs).c_str()));
    } catch (const std::exception& e) {
        run.site.logger().log("Error in run report: %s", e.what());
    }
}

void reportInstallSeries(const ReportedRun& run, bool updating, const std::string& result,
                         const std::string& message, int64_t bytesDownloaded) {
    try {
        SeriesValues values;
        addSeriesValue(values, "Type", std::string(updating ? "Update" : "Install"));
        addSeriesValue(values, "Result", result);
        addSeriesValue(values, "Message", message);
        addSeriesValue(values, "ElapsedTime", elapsedSeconds(run.constructionTick));
        addSeriesValue(values, "BytesDownloaded", bytesDownloaded);
        const std::string series = buildSeries("PCInstall", values);
        if (run.analyticsSample < run.statsSamplePercentage) postSeries(series, false);
    } catch (const std::exception& e) {
        run.site.logger().log("Error in install report: %s", e.what());
    }
}

void reportContentHostResolution(const ReportedRun& run, bool resolved) {
    if (!run.perModeLogging) return;
    run.registerEvent(resolved ? "BootstrapperUpdateOrInstallResolvedCdnHost"
                               : "BootstrapperUpdateOrInstallUnableToResolveCdnHost");
}

void reportDeployment(const ReportedRun& run, const std::string& contentHost, uint32_t elapsedMs,
                      int64_t bytesDownloaded) {
    try {
        if (run.perModeLogging)
            reportStats(run.site, run.productName + "BootstrapperDeploy", "Success", elapsedMs,
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
        if (run.analyticsSample < run.statsSamplePercentage) postSeries(series, false);
        analyticsEvent(run.site.logger(), "ClientInstallThroughput bytes/sec", contentHost,
                       static_cast<int>(bytesPerSecond));
        analyticsTiming(run.site.logger(), static_cast<int>(elapsedMs), contentHost);
    } catch (const std::exception& e) {
        run.site.logger().log("Error in deployment report: %s", e.what());
    }
}
