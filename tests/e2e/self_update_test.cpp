// The launcher keeping itself current against the local platform server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/file_contents.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"

namespace {

LocalPlatformServerOptions withPublishedLauncher(const std::string& version) {
    LocalPlatformServerOptions options;
    options.launcherVersion = version;
    return options;
}

// Waits for the launcher logs to reach a count and the newest to hold a text.
bool waitForLog(const LauncherSandbox& sandbox, size_t count, const std::string& text) {
    for (int i = 0; i < 600; ++i) {
        const auto logs = sandbox.logs();
        if (logs.size() >= count && readFile(logs.back()).find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace

TEST(SelfUpdate, SamePublishedVersionCarriesOn) {
    LocalPlatformServer server;
    LauncherSandbox sandbox(&server);
    const ChildResult result = sandbox.run({"-install", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = sandbox.newestLog();
    EXPECT_NE(log.find("module file version: 1, 6, 3, 173"), std::string::npos) << log;
    EXPECT_TRUE(
        server.requestsFor("/" + server.versionGuid() + "-ZorbitStudioLauncherBeta.exe").empty());
    EXPECT_EQ(sandbox.logs().size(), 1u);
}

TEST(SelfUpdate, NewerLauncherIsDownloadedAndTakesOverWithTheSameArguments) {
    LocalPlatformServer server(withPublishedLauncher("1, 6, 3, 174"));
    LauncherSandbox sandbox(&server);
    const std::string awkward = "quote\" and blank";
    const ChildResult result = sandbox.run({"-install", "-q", awkward});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(
        server.requestsFor("/" + server.versionGuid() + "-ZorbitStudioLauncherBeta.exe").size(),
        1u);
    ASSERT_TRUE(waitForLog(sandbox, 2, "CSimpleModule::WinMain Bring app to front again."));
    const auto logs = sandbox.logs();
    const std::string second = readFile(logs.back());
    EXPECT_NE(second.find("module file version: 1, 6, 3, 174"), std::string::npos) << second;
    EXPECT_NE(second.find("value = " + awkward + "\n"), std::string::npos) << second;
    EXPECT_NE(second.find("checkBootstrapperVersion - started by a self-update\n"),
              std::string::npos);
    const std::string first = readFile(logs.front());
    EXPECT_NE(first.find("Getting the latest Vexmoor..."), std::string::npos) << first;
    // What we start must be no one else's to change.
    const std::string folder = sandbox.path("tmp/Vexmoor");
    const std::string download = sandbox.path("tmp/Vexmoor/ZorbitStudioLauncherBeta.exe");
    ASSERT_TRUE(std::filesystem::exists(folder));
    ASSERT_TRUE(std::filesystem::exists(download));
    EXPECT_EQ(fileRights(folder), std::filesystem::perms(0700));
    EXPECT_EQ(fileRights(download), std::filesystem::perms(0700));
}

// A published text that the published launcher does not carry would make
// launchers download and start each other without end.
TEST(SelfUpdate, ADownloadThatIsNotThePublishedVersionIsNotStarted) {
    LocalPlatformServer server(withPublishedLauncher("1, 6, 3, 174"));
    std::ofstream(server.deployment().versionTextPath, std::ios::trunc) << "1, 6, 3, 175";
    LauncherSandbox sandbox(&server);
    const ChildResult result = sandbox.run({"-install", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(
        server.requestsFor("/" + server.versionGuid() + "-ZorbitStudioLauncherBeta.exe").size(),
        1u);
    EXPECT_NE(sandbox.newestLog().find("downloaded launcher has version '1, 6, 3, 174', not the "
                                       "published '1, 6, 3, 175': not started"),
              std::string::npos);
    EXPECT_EQ(sandbox.logs().size(), 1u);
}

TEST(SelfUpdate, ALauncherStartedByASelfUpdateUpdatesNoFurther) {
    LocalPlatformServer server(withPublishedLauncher("1, 6, 3, 174"));
    LauncherSandbox sandbox(&server);
    sandbox.environment()["ZORBIT_LAUNCHER_HANDED_OVER"] = "1";
    const ChildResult result = sandbox.run({"-install", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(
        server.requestsFor("/" + server.versionGuid() + "-ZorbitStudioLauncherBeta.exe").empty());
    EXPECT_NE(
        sandbox.newestLog().find("no further update after a self-update, published: 1, 6, 3, 174"),
        std::string::npos);
}

TEST(SelfUpdate, NotUpToDateFailsBeforeAnyDownload) {
    LocalPlatformServer server(withPublishedLauncher("1, 6, 3, 174"));
    LauncherSandbox sandbox(&server);
    const ChildResult result = sandbox.run({"-failIfNotUpToDate", "-q"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_TRUE(
        server.requestsFor("/" + server.versionGuid() + "-ZorbitStudioLauncherBeta.exe").empty());
    EXPECT_NE(sandbox.newestLog().find("Zorbit is not up to date, returning failure"),
              std::string::npos);
}

TEST(SelfUpdate, DottedPublishedVersionNeverMatches) {
    LocalPlatformServer server(withPublishedLauncher("1.6.3.173"));
    LauncherSandbox sandbox(&server);
    const ChildResult result = sandbox.run({"-failIfNotUpToDate", "-q"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
}
