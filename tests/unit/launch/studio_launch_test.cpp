#include "launch/studio_launch.h"

#include <gtest/gtest.h>

#include "launch/launch_arguments.h"
#include "launch/protocol_arguments.h"
#include "platform/event.h"
#include "platform/process.h"
#include "support/recording_dialog.h"
#include "support/test_bootstrapper.h"
#include "support/test_site.h"
#include "telemetry/run_metrics.h"

using Args = std::vector<std::string>;

TEST(LaunchArguments, OrderAndFlags) {
    LaunchOptions p;
    EXPECT_EQ(buildLaunchArguments(p), "");
    p.launchMode = "-build";
    p.url = "https://www.x/Login/Negotiate.ashx";
    p.ticket = "T";
    p.script = "http://x/s.lua";
    p.readyEvent = "ZBT-1-2-3-45678910";
    p.avatar = "-avatar";
    p.browserTrackerId = "42";
    p.fileLocation = "never passed";
    EXPECT_EQ(buildLaunchArguments(p),
              "-build -url https://www.x/Login/Negotiate.ashx -ticket T -script http://x/s.lua "
              "-readyEvent ZBT-1-2-3-45678910 -avatar -browserTrackerId 42");
    p.launchMode.clear();
    EXPECT_EQ(buildLaunchArguments(p).rfind(" -url ", 0), 0u) << "an empty mode leaves a blank";
}

TEST(LaunchArguments, HostileValuesStayOneArgumentEach) {
    LaunchOptions p;
    p.launchMode = "-ide";
    p.script = "http://x/a b.lua\" -evil \"x";
    p.ticket = "t\\\" -injected";
    p.url = std::string(5000, 'u') + " \"";
    const Args split = platform::splitCommandLine("Studio " + buildLaunchArguments(p));
    EXPECT_EQ(split,
              (Args{"Studio", "-ide", "-url", p.url, "-ticket", p.ticket, "-script", p.script}));
}

TEST(UnescapeUrl, DecodesOrGivesNothing) {
    EXPECT_EQ(unescapeUrl("http%3A%2F%2Fx%2fy"), "http://x/y");
    EXPECT_EQ(unescapeUrl("plain"), "plain");
    EXPECT_EQ(unescapeUrl("%22quoted%22%20and%20blank"), "\"quoted\" and blank");
    EXPECT_FALSE(unescapeUrl("bad%zzhex"));
    EXPECT_FALSE(unescapeUrl("end%4"));
    EXPECT_FALSE(unescapeUrl("end%"));
    EXPECT_TRUE(unescapeUrl(std::string(1023, 'a')));
    EXPECT_FALSE(unescapeUrl(std::string(1024, 'a')));
}

namespace {

const char* const kBaseHost = "www.qasite1.zorbit.localhost";

// What a browser link leaves for the Studio's start.
struct Launch {
    LaunchOptions launchOptions;
    std::unique_ptr<platform::Event> readyEvent;
    std::string appArguments = "-browser";
    RunMetrics metrics;
};

struct ProtocolTest : ::testing::Test {
    TestBootstrapperEnvironment environment;
    TestSite site;
    // keys: the link's pieces after the scheme's, as the command line splits them.
    std::unique_ptr<Launch> launch(ProtocolArguments keys) {
        keys.emplace("zorbit-studio-qs1", "1");
        auto made = std::make_unique<Launch>();
        const auto tracker = keys.find("browsertrackerid");
        made->readyEvent = applyProtocolArguments(
            keys, kBaseHost, tracker == keys.end() ? std::string() : tracker->second,
            made->launchOptions, site.logger());
        return made;
    }
};

}  // namespace

TEST_F(ProtocolTest, KeysFillTheLaunchParameters) {
    auto b = launch({{"launchmode", "build"},
                     {"gameinfo", "TICKET"},
                     {"script", "http%3A%2F%2Fwww.x%2Fs.lua"},
                     {"avatar", "true"},
                     {"browsertrackerid", "77"},
                     {"launchtime", "1"}});
    EXPECT_EQ(b->launchOptions.launchMode, "-build");
    EXPECT_EQ(b->launchOptions.ticket, "TICKET");
    EXPECT_EQ(b->launchOptions.script, "http://www.x/s.lua");
    EXPECT_EQ(b->launchOptions.avatar, "-avatar");
    EXPECT_EQ(b->launchOptions.browserTrackerId, "77");
    EXPECT_EQ(b->launchOptions.url, "https://" + std::string(kBaseHost) + "/Login/Negotiate.ashx");
    ASSERT_FALSE(b->launchOptions.readyEvent.empty());
    EXPECT_TRUE(platform::Event::openNamed(b->launchOptions.readyEvent))
        << "the ready event exists";
}

TEST_F(ProtocolTest, UnknownValuesLeaveTheirParametersEmpty) {
    auto b = launch({{"launchmode", "edit"}, {"script", "bad%zz"}, {"avatar", "TRUE"}});
    EXPECT_EQ(b->launchOptions.launchMode, "");
    EXPECT_EQ(b->launchOptions.script, "");
    EXPECT_EQ(b->launchOptions.avatar, "");
    EXPECT_EQ(b->launchOptions.ticket, "");
    EXPECT_EQ(launch({{"avatar", "false"}})->launchOptions.avatar, "");
    EXPECT_EQ(launch({})->launchOptions.avatar, "-avatar");
}

TEST_F(ProtocolTest, EveryLaunchHasItsOwnReadyEvent) {
    const std::string first = launch({})->launchOptions.readyEvent;
    const std::string second = launch({})->launchOptions.readyEvent;
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind("ZBT-", 0), 0u);
}

TEST_F(ProtocolTest, SuccessPromptStartsNothingAfterAFirstInstall) {
    auto b = launch({});
    RecordingDialog dialog;
    // The settings ask for the success prompt and this start follows a first install.
    startZorbitApp({.successPromptInstead = true,
                    .dialog = &dialog,
                    .startedEventName = std::string(kBaseHost) + "/zorbitZARadadaStartedEvent",
                    .options = b->launchOptions,
                    .appArguments = b->appArguments,
                    .startApp = [](const std::string&,
                                   platform::ProcessInfo&) { FAIL() << "nothing is started"; },
                    .markTime = [&](const std::string& metric) { b->metrics[metric] = 0.0; }},
                   site.logger());
    EXPECT_EQ(b->appArguments, "-browser");
    EXPECT_EQ(b->metrics.count("WaitingForAppStart"), 0u);
}
