// Join-rate and stats requests, the final report and the run and deployment
// reports, against the local platform server.
#include "telemetry/stats_reports.h"

#include "platform/clock.h"
#include "telemetry_test.h"

namespace {

const char* const kSiteHost = "www.qasite1.zorbit.localhost";

struct StatsReportsTest : TelemetryTest {
    const uint32_t constructionTick = platform::tickCount();
    RunMetrics metrics;
    bool perModeLogging = false;
    FinalReportFlags flags;

    // The Studio profile's run, its counters under the profile's prefix.
    ReportedRun run() {
        return ReportedRun{.site = site,
                           .productName = "ZARadada",
                           .constructionTick = constructionTick,
                           .metrics = metrics,
                           .perModeLogging = perModeLogging,
                           .registerEvent = [this](const std::string& name) {
                               countersClient->incrementCounter(false, "ZARadada" + name);
                           }};
    }
    std::vector<std::string> targets(const std::string& path) const {
        std::vector<std::string> found;
        for (const auto& entry : requests(path, kSiteHost))
            found.push_back(entry.method + " " + entry.target);
        return found;
    }
    // The requests that reached the site in their order, without the https tries.
    std::vector<std::string> siteRequests() const {
        std::vector<std::string> found;
        for (const auto& entry : server.journal())
            if (entry.hostName() == kSiteHost) found.push_back(entry.method + " " + entry.target);
        return found;
    }
};

using Targets = std::vector<std::string>;

}  // namespace

TEST_F(StatsReportsTest, WithoutBytesTheJoinRateAndTheDurationOnly) {
    reportStats(site, "ZARadadaBootstrapperDeploy", "Success", 1234, 0);
    EXPECT_EQ(
        siteRequests(),
        (Targets{
            "GET /Game/JoinRate.ashx?c=ZARadadaBootstrapperDeploy&r=Success&d=1234&platform=Win32",
            "POST /game/report-stats?name=ZARadadaBootstrapperDeploy_Duration&value=1234"}));
    const auto posts = requests("/game/report-stats");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].header("Content-Type"), "*/*");
    EXPECT_EQ(posts[0].body, "");
}

TEST_F(StatsReportsTest, WithBytesTheSizeToo) {
    reportStats(site, "N", "Error", 5, 4096);
    EXPECT_EQ(siteRequests(),
              (Targets{"GET /Game/JoinRate.ashx?c=N&r=Error&d=5&platform=Win32&b=4096",
                       "POST /game/report-stats?name=N_Duration&value=5",
                       "POST /game/report-stats?name=N_Size&value=4096"}));
}

TEST_F(StatsReportsTest, FailedJoinRateSkipsTheStatsAndIsLogged) {
    server.addFault(statusOn(500, "www.*", "/Game/JoinRate.ashx"));
    EXPECT_NO_THROW(reportStats(site, "N", "Success", 5, 10));
    EXPECT_TRUE(requests("/game/report-stats").empty());
    EXPECT_NE(log().find("Error in reporting: "), std::string::npos) << log();
}

TEST_F(StatsReportsTest, FinalReportCoversEachCategory) {
    flags.installOption = true;
    finalReport(run(), flags, "Success");
    const std::string text = log();
    EXPECT_NE(text.find("Doing final report with result = Success"), std::string::npos);
    const auto joins = targets("/Game/JoinRate.ashx");
    ASSERT_EQ(joins.size(), 2u);
    EXPECT_EQ(
        joins[0].find(
            "GET "
            "/Game/"
            "JoinRate.ashx?c=ZARadadaBootstrapperDetailedUnknownInstallOrUpdate&r=Success&d="),
        0u);
    EXPECT_EQ(joins[1].find("GET /Game/JoinRate.ashx?c=ZARadadaBootstrapperDetailed&r=Success&d="),
              0u);
    EXPECT_EQ(requests("/game/report-stats").size(), 2u);
    EXPECT_EQ(CountersClient::pendingCounters(),
              (std::set<std::string>{
                  "ZARadadaZARadadaBootstrapperDetailedSuccess",
                  "ZARadadaZARadadaBootstrapperDetailedUnknownInstallOrUpdateSuccess"}));
    EXPECT_TRUE(std::holds_alternative<double>(metrics.at("ReportFinishing")));
    EXPECT_TRUE(std::holds_alternative<double>(metrics.at("Duration")));
}

TEST_F(StatsReportsTest, FailIfNotUpToDateReportsByTheExitCode) {
    flags.failIfNotUpToDate = true;
    flags.nonZeroExit = true;
    finalReport(run(), flags, "Error");
    EXPECT_EQ(CountersClient::pendingCounters().count(
                  "ZARadadaZARadadaBootstrapperFailIfNotUpToDateNonZeroExitError"),
              1u);
}

TEST_F(StatsReportsTest, ShortRunCountsItsBucket) {
    reportRunDuration(run(), false);
    reportRunDuration(run(), true);
    EXPECT_EQ(
        CountersClient::pendingCounters(),
        (std::set<std::string>{"ZARadadaBootstrapperRun0_5", "ZARadadaBootstrapperPlayRun0_5"}));
}

TEST_F(StatsReportsTest, DeploymentReportIsGatedByPerModeLogging) {
    reportContentHostResolution(run(), true);
    reportDeployment(run(), server.contentHost(), 2000, 0);
    EXPECT_TRUE(server.journal().empty());
    EXPECT_TRUE(CountersClient::pendingCounters().empty());

    perModeLogging = true;
    reportContentHostResolution(run(), false);
    reportDeployment(run(), server.contentHost(), 2000, 0);
    EXPECT_EQ(CountersClient::pendingCounters(),
              std::set<std::string>{"ZARadadaBootstrapperUpdateOrInstallUnableToResolveCdnHost"});
    EXPECT_EQ(
        siteRequests(),
        (Targets{
            "GET /Game/JoinRate.ashx?c=ZARadadaBootstrapperDeploy&r=Success&d=2000&platform=Win32",
            "POST /game/report-stats?name=ZARadadaBootstrapperDeploy_Duration&value=2000"}));
}
