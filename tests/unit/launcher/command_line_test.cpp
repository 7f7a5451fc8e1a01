#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "platform/clock.h"
#include "platform/process.h"
#include "support/test_bootstrapper.h"

namespace {

struct CommandLineTest : ::testing::Test {
    TestBootstrapperEnvironment environment;
};

bool metricBool(const Bootstrapper& b, const std::string& name) {
    return std::get<bool>(b.metrics.at(name));
}

}  // namespace

TEST_F(CommandLineTest, NoArgumentsKeepsTheDefaults) {
    auto b = parsedBootstrapper({});
    EXPECT_TRUE(b->noArguments);
    EXPECT_EQ(b->appArguments, "-browser");
    EXPECT_FALSE(metricBool(*b, "ProtocolHandler"));
    EXPECT_TRUE(b->interactive);
    EXPECT_TRUE(b->perUser);
}

TEST_F(CommandLineTest, InstallQuietly) {
    auto b = parsedBootstrapper({"-install", "-q"});
    EXPECT_FALSE(b->noArguments);
    EXPECT_FALSE(b->interactive);
    EXPECT_TRUE(b->installOption);
    EXPECT_EQ(b->appArguments, "");
    EXPECT_EQ(b->windowDelaySeconds, 10);
}

TEST_F(CommandLineTest, UnrecognisedArgumentsJoinTheStudioArguments) {
    EXPECT_EQ(parsedBootstrapper({"alpha", "beta"})->appArguments, "-browser alpha beta");
    EXPECT_EQ(parsedBootstrapper({"-uninstall", "alpha"})->appArguments, "alpha");
    EXPECT_TRUE(parsedBootstrapper({"-uninstall", "alpha"})->uninstallMode);
}

TEST_F(CommandLineTest, OptionsMatchIgnoringCaseUpToABlank) {
    auto b = parsedBootstrapper({"-QBG"});
    EXPECT_FALSE(b->interactive);
    EXPECT_TRUE(b->background);
    EXPECT_FALSE(b->backgroundNoRun);

    auto notAnOption = parsedBootstrapper({"-qbgx"});
    EXPECT_TRUE(notAnOption->interactive);
    EXPECT_EQ(notAnOption->appArguments, "-browser -qbgx");

    auto withTail = parsedBootstrapper({"-q extra words"});
    EXPECT_FALSE(withTail->interactive);
    EXPECT_FALSE(withTail->background);
}

TEST_F(CommandLineTest, ModeOptions) {
    auto b = parsedBootstrapper({"-qbgnorun", "-alluser", "-force", "-debug"});
    EXPECT_TRUE(b->backgroundNoRun);
    EXPECT_TRUE(b->background);
    EXPECT_FALSE(b->perUser);
    EXPECT_TRUE(b->force);
    EXPECT_TRUE(b->debugMode);

    auto prePlay = parsedBootstrapper({"-prePlay"});
    EXPECT_TRUE(prePlay->prePlay);
    EXPECT_EQ(prePlay->appArguments, "-nop");

    auto failIf = parsedBootstrapper({"-failifnotuptodate"});
    EXPECT_TRUE(failIf->failIfNotUpToDate);
    EXPECT_EQ(failIf->appArguments, "");
    EXPECT_EQ(failIf->windowDelaySeconds, 10);

    EXPECT_EQ(parsedBootstrapper({"-browser"})->windowDelaySeconds, 1);
}

TEST_F(CommandLineTest, IdeWithAnExistingFileAddsItsLocation) {
    const std::string place = environment.dir().file("my place.zbtl");
    std::ofstream(place) << "x";
    auto b = parsedBootstrapper({"-ide", place});
    EXPECT_EQ(b->appArguments, "-ide -fileLocation \"" + place + "\"");
    EXPECT_EQ(b->windowDelaySeconds, 1);

    const std::string missing = environment.dir().file("missing.zbtl");
    EXPECT_EQ(parsedBootstrapper({"-ide", missing})->appArguments, "-ide " + missing);
    EXPECT_EQ(parsedBootstrapper({"-ide", "-q"})->appArguments, "-ide");
}

TEST_F(CommandLineTest, EveryArgumentReachesTheStudioAsItCame) {
#ifdef _WIN32
    GTEST_SKIP() << "names a file with double quotes, which Windows file names cannot hold";
#endif
    // A quote injects arguments and a trailing backslash escapes the closing quote.
    const std::string place = environment.dir().file("a\" -evil \"x.zbtl\\");
    std::ofstream(place) << "x";
    const std::string odd = "two words\" -injected \"\\";
    auto b = parsedBootstrapper({"-ide", place, odd, "plain"});
    EXPECT_EQ(platform::splitCommandLine("Studio " + b->appArguments),
              (std::vector<std::string>{"Studio", "-ide", "-fileLocation", place, odd, "plain"}));
}

TEST_F(CommandLineTest, WaitSleepsForItsValueThenGoesOn) {
    const auto start = std::chrono::steady_clock::now();
    auto b = parsedBootstrapper({"-wait", "300", "-q"});
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_FALSE(b->interactive);
    EXPECT_EQ(b->appArguments, "-browser");

    const auto quick = std::chrono::steady_clock::now();
    parsedBootstrapper({"-wait", "abc"});
    EXPECT_LT(std::chrono::steady_clock::now() - quick, std::chrono::milliseconds(200));
}

TEST_F(CommandLineTest, WaitValuesAreCapped) {
    // A negative value has no leading digits: no wait at all. A huge one is held
    // to a minute; we only check that the cap does not throw or wrap negative.
    const auto start = std::chrono::steady_clock::now();
    parsedBootstrapper({"-wait", "-5000"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(CommandLineTest, WaitAsTheLastArgumentIsAnError) {
    try {
        parsedBootstrapper({"-q", "-WAIT"});
        FAIL() << "no throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Bad argument -WAIT");
    }
}

TEST_F(CommandLineTest, StudioOptionsFillTheLaunchOptions) {
    auto b = parsedBootstrapper({"-build", "-avatar", "-script", "http://x/s.lua", "-url", "u",
                                 "-ticket", "t", "-readyEvent", "r", "-showEvent", "s",
                                 "-fileLocation", "f"});
    EXPECT_EQ(b->launchOptions.launchMode, "-build");
    EXPECT_EQ(b->launchOptions.avatar, "-avatar");
    EXPECT_EQ(b->launchOptions.script, "http://x/s.lua");
    EXPECT_EQ(b->launchOptions.url, "u");
    EXPECT_EQ(b->launchOptions.ticket, "t");
    EXPECT_EQ(b->launchOptions.readyEvent, "r");
    EXPECT_EQ(b->launchOptions.showEvent, "s");
    EXPECT_EQ(b->launchOptions.fileLocation, "f");
    EXPECT_EQ(b->appArguments, "-browser");

    // Case-sensitive, and a value option at the end takes an empty value.
    auto c = parsedBootstrapper({"-Script", "-ticket"});
    EXPECT_EQ(c->appArguments, "-browser -Script");
    EXPECT_EQ(c->launchOptions.ticket, "");
}

TEST_F(CommandLineTest, ProtocolUrlFillsTheMapAndMetrics) {
    const int64_t launchTime = platform::unixTimeMilliseconds() - 2500;
    const std::string url =
        "zorbit-studio-qs1:1+launchmode:edit+launchtime:" + std::to_string(launchTime) +
        "+browsertrackerid:42";
    auto b = parsedBootstrapper({url, "-q"});
    EXPECT_EQ(b->browserTrackerId, "42");
    EXPECT_TRUE(metricBool(*b, "ProtocolHandler"));
    const double seconds = std::get<double>(b->metrics.at("LaunchTime"));
    EXPECT_GE(seconds, 2.4);
    EXPECT_LT(seconds, 10.0);
    EXPECT_TRUE(b->interactive) << "no option after the URL is examined";
    EXPECT_FALSE(b->noArguments);
}

TEST_F(CommandLineTest, ProtocolKeysAreLowerCasedAndTheFirstValueStays) {
    struct Capturing : BootstrapperZARadada {
        using BootstrapperZARadada::BootstrapperZARadada;
        ProtocolArguments seen;
        bool ProcessProtocolHandlerArgs(const ProtocolArguments& arguments) override {
            seen = arguments;
            return true;
        }
    };
    auto b = std::make_shared<Capturing>(nullptr);
    b->setArguments(
        {"launcher", "zorbit-studio-qs1:1++LaunchTime:5+launchtime:7+gameinfo:a:b:c+flag"});
    b->parseCmdLine();
    ASSERT_EQ(b->seen.size(), 4u);
    EXPECT_EQ(b->seen.at("zorbit-studio-qs1"), "1");
    EXPECT_EQ(b->seen.at("launchtime"), "5");
    EXPECT_EQ(b->seen.at("gameinfo"), "a:b:c");
    EXPECT_EQ(b->seen.at("flag"), "");
}

TEST_F(CommandLineTest, SchemeInOtherCaseIsNotAProtocolLaunch) {
    auto b = parsedBootstrapper({"ZORBIT-STUDIO-QS1:1+launchmode:edit"});
    EXPECT_FALSE(metricBool(*b, "ProtocolHandler"));
    EXPECT_EQ(b->appArguments, "-browser ZORBIT-STUDIO-QS1:1+launchmode:edit");
}

TEST_F(CommandLineTest, LaunchTimeThatIsNotANumberFails) {
    try {
        parsedBootstrapper({"zorbit-studio-qs1:1+launchtime:12x"});
        FAIL() << "no throw";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "bad cast");
    }
}
