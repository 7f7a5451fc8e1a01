// Starting the Windows stand-in from the Windows launcher under Wine: a browser
// link gives it exactly the Studio's arguments, and two launchers at once end
// with one complete installation.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "platform/clock.h"
#include "support/studio_standin.h"
#include "wine/support/wine_fixture.h"

namespace {

using Args = std::vector<std::string>;
using LaunchUnderWineTest = WineTest;

bool hasEvent(const std::vector<std::string>& events, const std::string& text) {
    return std::any_of(events.begin(), events.end(),
                       [&](const std::string& e) { return e.find(text) != std::string::npos; });
}

}  // namespace

TEST_P(LaunchUnderWineTest, ABrowserLinkStartsTheStudioWithItsArguments) {
    ASSERT_NO_FATAL_FAILURE(install());
    const std::string guid = server->versionGuid();
    const std::string launchTime = std::to_string(platform::unixTimeMilliseconds() - 1500);
    // As the protocol's command gives it: the installed launcher and the link.
    const std::string url =
        "zorbit-studio-qs1:1+launchmode:build+gameinfo:TICKET42+script:http%3A%2F%2F" +
        server->baseHost() +
        "%2Fgame%2Fjoin.lua+avatar:true+browsertrackerid:77+launchtime:" + launchTime;
    const ChildResult result = sandbox->runProgram(installedLauncher(guid), {url});
    EXPECT_EQ(result.exitCode, 0) << result.err;

    const auto starts = readStandinStarts(standin(guid));
    ASSERT_EQ(starts.size(), 1u) << sandbox->newestLog();
    const Args& args = starts[0].args;
    ASSERT_EQ(args.size(), 15u) << ::testing::PrintToString(args);
    const Args expectedHead{"-browser",
                            "-startEvent",
                            server->baseHost() + "/zorbitZARadadaStartedEvent",
                            "-build",
                            "-url",
                            "https://" + server->baseHost() + "/Login/Negotiate.ashx",
                            "-ticket",
                            "TICKET42",
                            "-script",
                            "http://" + server->baseHost() + "/game/join.lua",
                            "-readyEvent"};
    EXPECT_EQ(Args(args.begin(), args.begin() + 11), expectedHead);
    EXPECT_EQ(args[11].rfind("ZBT-", 0), 0u) << args[11];
    EXPECT_EQ(Args(args.begin() + 12, args.end()), (Args{"-avatar", "-browserTrackerId", "77"}));
    const auto events = readStandinEvents(standin(guid));
    EXPECT_TRUE(hasEvent(events, "startEvent set")) << ::testing::PrintToString(events);
    EXPECT_TRUE(hasEvent(events, "readyEvent signalled")) << ::testing::PrintToString(events);
}

TEST_P(LaunchUnderWineTest, TwoLaunchersAtOnceLeaveOneCompleteInstallation) {
    ChildResult results[2];
    std::thread second([&] { results[1] = sandbox->run({"-install", "-q"}); });
    results[0] = sandbox->run({"-install", "-q"});
    second.join();
    for (const ChildResult& result : results) EXPECT_EQ(result.exitCode, 0) << result.err;
    expectInstalled(server->deployment());
    // The launcher mutex let one install; the other found the version in place.
    for (const auto& package : server->deployment().packages) {
        const std::string name = std::filesystem::path(package.path).filename().string();
        EXPECT_EQ(server->requestsFor("/" + name).size(), 1u) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Scopes, LaunchUnderWineTest,
                         ::testing::Values(WineScope::PerUser, WineScope::AllUsers), scopeName);
