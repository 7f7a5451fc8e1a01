// Starting the Studio stand-in from the launcher: browser links, hostile links
// and two launchers racing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "platform/clock.h"
#include "support/file_contents.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/studio_standin.h"
#include "support/test_process.h"

namespace {

struct StudioLaunchTest : ::testing::Test {
    LocalPlatformServer server;
    LauncherSandbox sandbox{&server};
    std::string studio;

    void SetUp() override {
        sandbox.fakeInstalledVersion(server.versionGuid());
        studio = sandbox.versionFolder(server.versionGuid()) + "ZorbitStudioBeta.exe";
    }
    void TearDown() override {
        for (const auto& start : readStandinStarts(studio)) test_process::killProcess(start.pid);
    }
};

using Args = std::vector<std::string>;

}  // namespace

TEST_F(StudioLaunchTest, BrowserLinkStartsTheStudioWithItsArguments) {
    const std::string launchTime = std::to_string(platform::unixTimeMilliseconds() - 1500);
    const std::string url =
        "zorbit-studio-qs1:1+launchmode:build+gameinfo:TICKET42+script:http%3A%2F%2F" +
        server.baseHost() +
        "%2Fgame%2Fjoin.lua+avatar:true+browsertrackerid:77+launchtime:" + launchTime;
    const ChildResult result = sandbox.run({url});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto starts = readStandinStarts(studio);
    ASSERT_EQ(starts.size(), 1u) << sandbox.newestLog();
    const Args& args = starts[0].args;
    ASSERT_GE(args.size(), 15u);
    const std::string startedEvent = server.baseHost() + "/zorbitZARadadaStartedEvent";
    const Args expectedHead{"-browser",   "-startEvent",
                            startedEvent, "-build",
                            "-url",       "https://" + server.baseHost() + "/Login/Negotiate.ashx",
                            "-ticket",    "TICKET42",
                            "-script",    "http://" + server.baseHost() + "/game/join.lua",
                            "-readyEvent"};
    EXPECT_EQ(Args(args.begin(), args.begin() + 11), expectedHead);
    EXPECT_EQ(args[11].rfind("ZBT-", 0), 0u);
    EXPECT_EQ(Args(args.begin() + 12, args.end()), (Args{"-avatar", "-browserTrackerId", "77"}));

    const auto events = readStandinEvents(studio);
    auto has = [&](const std::string& text) {
        return std::any_of(events.begin(), events.end(),
                           [&](const std::string& e) { return e.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(has("startEvent set")) << ::testing::PrintToString(events);
    EXPECT_TRUE(has("readyEvent signalled")) << ::testing::PrintToString(events);
    const std::string log = sandbox.newestLog();
    EXPECT_NE(log.find("BootstrapperStudio::StartZorbitApp - Setting ready event"),
              std::string::npos);
}

TEST_F(StudioLaunchTest, HostileLinkNeverAddsOrSplitsAnArgument) {
    const std::string hostile = "%22%20-evil%20%22x%5C%22";  // decodes to: " -evil "x\"
    const std::string url =
        "zorbit-studio-qs1:1+launchmode:ide+gameinfo:-injected\"quoted\" more+script:" + hostile +
        "+avatar:no+browsertrackerid:" + std::string(5000, '7');
    const ChildResult result = sandbox.run({url});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto starts = readStandinStarts(studio);
    ASSERT_EQ(starts.size(), 1u);
    const Args& args = starts[0].args;
    ASSERT_EQ(args.size(), 14u) << ::testing::PrintToString(args);
    EXPECT_EQ(args[3], "-ide");
    EXPECT_EQ(args[6], "-ticket");
    EXPECT_EQ(args[7], "-injected\"quoted\" more");
    EXPECT_EQ(args[8], "-script");
    EXPECT_EQ(args[9], "\" -evil \"x\\\"");
    EXPECT_EQ(args[12], "-browserTrackerId");
    EXPECT_EQ(args[13], std::string(5000, '7'));
}

TEST_F(StudioLaunchTest, OnlyTheLaterOfTwoLaunchersStartsTheStudio) {
    // The first waits in the middle of its run (a slow version answer) while the
    // second starts and finishes.
    zorbit::server::Fault slow;
    slow.path = "/versionZARadada";
    slow.delayMs = 1500;
    slow.times = 2;
    server.addFault(slow);
    std::thread first([&] { EXPECT_EQ(sandbox.run({"-browser", "first"}).exitCode, 0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const ChildResult second = sandbox.run({"-browser", "second"});
    first.join();
    EXPECT_EQ(second.exitCode, 0) << second.err;
    const auto starts = readStandinStarts(studio);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].args.at(1), "second");
}

TEST_F(StudioLaunchTest, OnATerminalTheProgressLineUpdatesInPlace) {
    const ChildResult result = sandbox.runInTerminal({"alpha"});
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_NE(result.out.find("VEXMOOR TEST1 Studio\r\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\r\033[K["), std::string::npos) << "redrawn in place";
    EXPECT_GE(std::count(result.out.begin(), result.out.end(), '\r'), 4) << result.out;
    const std::string finalLine = "VEXMOOR TEST1 Studio is up-to-date\r\n";
    ASSERT_GE(result.out.size(), finalLine.size());
    EXPECT_EQ(result.out.substr(result.out.size() - finalLine.size()), finalLine) << result.out;
}

// Without a window nobody can press "Launch Studio": after a fresh install the
// success screen must not wait for good; the Studio starts instead.
TEST(SuccessScreenTest, WithoutAWindowAFreshInstallStartsTheStudio) {
    LocalPlatformServer server;
    LauncherSandbox sandbox{&server};
    std::ofstream(server.root() + "/clientsettings.json", std::ios::binary)
        << R"({"ShowInstallSuccessPrompt": true})";
    const ChildResult result = sandbox.run({"-ide"}, 60000);
    const std::string studio = sandbox.versionFolder(server.versionGuid()) + "ZorbitStudioBeta.exe";
    const auto starts = readStandinStarts(studio);
    for (const auto& start : starts) test_process::killProcess(start.pid);
    EXPECT_EQ(result.exitCode, 0) << result.err << sandbox.newestLog();
    EXPECT_EQ(starts.size(), 1u) << sandbox.newestLog();
}

TEST_F(StudioLaunchTest, BackgroundUpdateNeverClosesARunningStudio) {
    auto eventCount = [&](const std::string& text) {
        const auto events = readStandinEvents(studio);
        return static_cast<size_t>(
            std::count_if(events.begin(), events.end(),
                          [&](const std::string& e) { return e.find(text) != std::string::npos; }));
    };
    const std::string newer = server.publish().guid;
    // Started by hand without a started event, the stand-in knows no base host
    // and takes no mutex: only the process list shows it. Started with one, it
    // holds the application-start mutex as the Studio does.
    for (const bool withStartEvent : {false, true}) {
        Args argv{studio};
        if (withStartEvent)
            argv = {studio, "-startEvent", server.baseHost() + "/zorbitZARadadaStartedEvent"};
        std::map<std::string, std::string> environment = sandbox.environment();
        environment["ZORBIT_STANDIN_LIFETIME_MS"] = "60000";
        std::thread running([&] { runChild(argv, environment, 90000); });
        const char* const up = withStartEvent ? "app mutex held" : " started";
        const size_t before = eventCount(up);
        for (int waited = 0; eventCount(up) == before && waited < 5000; waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));

        const ChildResult result = sandbox.run({"-qbg"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const std::string log = sandbox.newestLog();
        EXPECT_NE(log.find("No bg update, Zorbit App is running"), std::string::npos) << log;
        EXPECT_EQ(log.find("Running bootstrapper in sync mode") != std::string::npos,
                  !withStartEvent)
            << log;
        for (const auto& event : readStandinEvents(studio))
            EXPECT_EQ(event.find("closing"), std::string::npos);
        EXPECT_FALSE(
            std::filesystem::exists(sandbox.versionFolder(newer) + "ZorbitStudioBeta.exe"));
        for (const auto& start : readStandinStarts(studio)) test_process::killProcess(start.pid);
        running.join();
    }
}
