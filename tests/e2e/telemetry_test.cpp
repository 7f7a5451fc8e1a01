// The launcher's telemetry end to end: the real launcher against the local
// platform server, read back from the server's journal.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/test_bootstrapper.h"

namespace {

using zorbit::server::Fault;
using zorbit::server::JournalEntry;
using Clock = std::chrono::steady_clock;

const char* const kCountersPath = "/v1.0/MultiIncrement/";

struct TelemetryE2ETest : ::testing::Test {
    LocalPlatformServer server;
    LauncherSandbox sandbox{&server};

    void settingsAnswer(const std::string& json) const {
        std::ofstream(server.root() + "/clientsettings.json", std::ios::binary) << json;
    }

    ChildResult timedRun(const std::vector<std::string>& arguments, long long& elapsedMs) const {
        const auto start = Clock::now();
        ChildResult result = sandbox.run(arguments);
        elapsedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        return result;
    }

    std::vector<JournalEntry> counterPosts() const { return server.requestsFor(kCountersPath); }

    // Every counter name posted, one entry per name and post.
    std::multiset<std::string> countersPosted() const {
        std::multiset<std::string> names;
        for (const auto& post : counterPosts()) {
            EXPECT_EQ(post.body.rfind("counterNamesCsv=", 0), 0u) << post.body;
            std::stringstream list(post.body.substr(16));
            for (std::string name; std::getline(list, name, ',');) names.insert(name);
        }
        return names;
    }

    static Fault fault(const std::string& host, const std::string& path, int status,
                       bool stall = false) {
        Fault made;
        made.host = host;
        made.path = path;
        made.status = status;
        made.stall = stall;
        return made;
    }
};

// A successful fresh "-install" run's counters, its duration bucket aside.
const std::multiset<std::string> kSuccessfulInstallRunCounters = {
    "ZARadadaBootstrapperStarted",
    "ZARadadaBoostrapperCreateShortcutsStarted",
    "ZARadadaBoostrapperCreateShortcutsSuccess",
    "ZARadadaBootstrapperInstallStarted",
    "ZARadadaBootstrapperInstallSuccess",
    "ZARadadaBootstrapperUpdateOrInstallResolvedCdnHost",
    "ZARadadaZARadadaBootstrapperDetailedInstallSuccess",
    "ZARadadaZARadadaBootstrapperDetailedSuccess",
    "ZARadadaBootstrapperFinishedSuccess",
    "ZARadadaBootstrapperFinishedSuccess2",
};

// The counters without the run-duration bucket, which depends on the machine's speed.
std::multiset<std::string> withoutBucket(std::multiset<std::string> names, int& buckets) {
    buckets = 0;
    for (auto it = names.begin(); it != names.end();) {
        if (it->rfind("ZARadadaBootstrapperRun", 0) == 0) {
            ++buckets;
            it = names.erase(it);
        } else {
            ++it;
        }
    }
    return names;
}

}  // namespace

TEST_F(TelemetryE2ETest, PerModeLoggingPostsEachCounterOfTheRunAtOnce) {
    settingsAnswer(R"({"PerModeLoggingEnabled": "True", "CountersFireImmediately": true})");
    const ChildResult result = sandbox.run({"-install", "-q"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    int buckets = 0;
    EXPECT_EQ(withoutBucket(countersPosted(), buckets), kSuccessfulInstallRunCounters);
    EXPECT_EQ(buckets, 1);
    EXPECT_EQ(counterPosts().size(),
              kSuccessfulInstallRunCounters.size() + 1);  // one name per post
    for (const auto& post : counterPosts()) {
        EXPECT_EQ(post.hostName(), "ephemeralcounters.api.qasite1.zorbit.localhost");
        EXPECT_EQ(post.header("Content-Type"), "application/x-www-form-urlencoded");
    }
    const auto joins = server.requestsFor("/Game/JoinRate.ashx");
    ASSERT_GE(joins.size(), 2u);
    const std::regex detailedJoin(
        "/Game/JoinRate\\.ashx\\?c=ZARadadaBootstrapperDetailed&r=Success&d=\\d+&platform=Win32");
    EXPECT_TRUE(std::any_of(joins.begin(), joins.end(), [&](const auto& join) {
        return std::regex_match(join.target, detailedJoin);
    }));
    const auto stats = server.requestsFor("/game/report-stats");
    ASSERT_GE(stats.size(), 2u);
    EXPECT_TRUE(std::any_of(stats.begin(), stats.end(), [](const auto& stat) {
        return stat.target.rfind(
                   "/game/report-stats?name=ZARadadaBootstrapperDetailed_Duration&value=", 0) == 0;
    }));
    EXPECT_NE(sandbox.newestLog().find("Doing final report with result = Success"),
              std::string::npos);
}

TEST_F(TelemetryE2ETest, BatchedCountersArriveInOnePostAtTheEnd) {
    settingsAnswer(R"({"PerModeLoggingEnabled": true})");
    const ChildResult result = sandbox.run({"-install", "-q"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const auto posts = counterPosts();
    ASSERT_EQ(posts.size(), 1u);
    int buckets = 0;
    EXPECT_EQ(withoutBucket(countersPosted(), buckets), kSuccessfulInstallRunCounters);
    EXPECT_EQ(buckets, 1);
    // Sorted names, after every other request of the run.
    const std::multiset<std::string> posted = countersPosted();
    const std::set<std::string> sorted(posted.begin(), posted.end());
    std::string csv;
    for (const auto& name : sorted) csv += (csv.empty() ? "" : ",") + name;
    EXPECT_EQ(posts[0].body, "counterNamesCsv=" + csv);
    EXPECT_EQ(server.journal().back().sequence, posts[0].sequence);
}

// The run fails at its version lookup: the version file answers 500.
TEST_F(TelemetryE2ETest, FailedRunUploadsBothLogsToTheDataHostAndCountsTheFailure) {
    const std::string tmp = sandbox.path("tmp");
    std::ofstream(tmp + "/older.zbal") << "older application log\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::ofstream(tmp + "/newer.zbal") << "newer application log\n";
    server.addFault(fault("www.*", "/versionZARadada", 500));

    const ChildResult result = sandbox.run({"-install", "-wait", "0"});
    EXPECT_EQ(result.exitCode, 255) << result.err;

    const std::string log = sandbox.newestLog();
    std::smatch found;
    ASSERT_TRUE(std::regex_search(log, found, std::regex("CorrIDString: (-?\\d+)\n"))) << log;
    const std::string guid = found[1];
    const auto uploads = server.server().uploads();
    ASSERT_EQ(uploads.size(), 2u) << log;
    for (const auto& upload : uploads) {
        EXPECT_EQ(upload.method, "POST");
        EXPECT_EQ(upload.hostName(), "data.qasite1.zorbit.localhost");
        EXPECT_EQ(upload.target, "/Error/InstallLog.ashx?version=1.6.3.173&stage=00&guid=" + guid);
        EXPECT_EQ(upload.header("Content-Type"), "text/plain");
    }
    EXPECT_EQ(uploads[0].body,
              "newer application log\nInfo: ZorbitAppLog\nCorrIDString: " + guid + "\n");
    EXPECT_EQ(readFile(tmp + "/older.zbal"), "older application log\n");
    EXPECT_NE(uploads[1].body.find("ERROR: "), std::string::npos);
    EXPECT_NE(uploads[1].body.find("Uploading install log file"), std::string::npos);
    EXPECT_NE(log.find("Uploading log file result: OK"), std::string::npos);

    EXPECT_NE(
        log.find("BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperFinishedFailure"),
        std::string::npos);
    const auto counters = countersPosted();
    EXPECT_EQ(counters.count("ZARadadaBootstrapperFinishedFailure"), 1u);
    EXPECT_EQ(counters.count("ZARadadaBootstrapperStarted"), 1u);
    EXPECT_EQ(counters.count("ZARadadaBootstrapperFinishedSuccess"), 0u);

    // A quiet run that fails ends in the same outcome: scripts read its exit code.
    EXPECT_EQ(sandbox.run({"-install", "-q"}).exitCode, 255);
    EXPECT_EQ(countersPosted().count("ZARadadaBootstrapperFinishedFailure"), 2u);
    EXPECT_EQ(server.server().uploads().size(), 4u);
}

TEST_F(TelemetryE2ETest, StalledTelemetryCostsEachRequestOnlyItsBound) {
    // The settings' post time-out shortens every telemetry bound to 300 ms.
    settingsAnswer(R"({"PerModeLoggingEnabled": "True", "CountersFireImmediately": "True",
                       "HttpBoostPostTimeout": 300})");
    server.addFault(fault("ephemeralcounters.*", "", 0, true));
    server.addFault(fault("www.*", "/Game/JoinRate.ashx", 0, true));
    server.addFault(fault("www.*", "/game/report-stats", 500));
    server.addFault(fault("data.*", "", 0, true));

    long long elapsedMs = 0;
    const ChildResult result = timedRun({"-install", "-q"}, elapsedMs);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = sandbox.newestLog();
    EXPECT_NE(log.find("Done!"), std::string::npos) << log;
    EXPECT_NE(log.find("CSimpleModule::WinMain Bring app to front again."), std::string::npos);

    // Every counter of the run and the join-rate requests are held by the server.
    size_t counterFailures = 0;
    for (size_t at = log.find("CountersClient::postCounters failed"); at != std::string::npos;
         at = log.find("CountersClient::postCounters failed", at + 1))
        ++counterFailures;
    EXPECT_EQ(counterFailures, kSuccessfulInstallRunCounters.size() + 1) << log;
    EXPECT_TRUE(server.requestsFor("/game/report-stats").empty());
    const long long blocked = static_cast<long long>(counterFailures) + 2;
    EXPECT_GE(elapsedMs, blocked * 280);
    EXPECT_LT(elapsedMs, (blocked + 2) * 300 + 8000) << log;
}

TEST_F(TelemetryE2ETest, StalledSettingsAndFailingServicesStillLeaveASuccessfulRun) {
    // Without an answer the default bound holds the settings fetch.
    server.addFault(fault("clientsettings.*", "", 0, true));
    server.addFault(fault("ephemeralcounters.*", "", 500));
    long long elapsedMs = 0;
    const ChildResult result = timedRun({"-install", "-q"}, elapsedMs);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_GE(elapsedMs, 4900);
    EXPECT_LT(elapsedMs, 12000);
    ASSERT_EQ(counterPosts().size(), 1u);  // the defaults: batched, posted at the end
    EXPECT_EQ(counterPosts()[0].status, 500);
}

TEST_F(TelemetryE2ETest, DeeplyNestedSettingsAnswerLeavesTheDefaultsAndASuccessfulRun) {
    // Deep enough to overflow a recursive parser's stack; the first member must not apply.
    settingsAnswer(R"({"CountersFireImmediately": "True", "x": )" + std::string(400000, '['));
    const ChildResult result = sandbox.run({"-install", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(counterPosts().size(), 1u);  // the defaults: batched, posted at the end
    const std::string log = sandbox.newestLog();
    const std::string warning = "WARNING: settings answer ignored (SimpleJson, @";
    const size_t line = log.find(warning);
    EXPECT_NE(line, std::string::npos) << log;
    EXPECT_EQ(log.find(warning, line + warning.size()), std::string::npos) << log;
}
