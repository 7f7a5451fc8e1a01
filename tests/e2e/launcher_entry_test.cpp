// The launcher binary's entry: the version answer, a normal start, and a
// command-line error before the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "platform/named_mutex.h"
#include "support/file_contents.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/scoped_env.h"
#include "support/test_bootstrapper.h"

namespace {

struct LauncherEntryTest : ::testing::Test {
    LocalPlatformServer server;
    LauncherSandbox sandbox{&server};
};

const char* const kStamp = "\\d{2}-\\d{2}-\\d{4} \\d{2}:\\d{2}:\\d{2}\\.\\d{1,3} ";

}  // namespace

TEST_F(LauncherEntryTest, VersionAloneAnswersAndLeavesNoLog) {
    const ChildResult result = sandbox.run({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "1.6.3.173\n");
    EXPECT_TRUE(sandbox.logs().empty());
}

TEST_F(LauncherEntryTest, VersionInCapitalsGoesTheNormalWay) {
    const ChildResult result = sandbox.run({"--VERSION", "-install", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    ASSERT_EQ(sandbox.logs().size(), 1u);
    EXPECT_NE(
        sandbox.newestLog().find("Bootstrapper::parseCmdLine paramIndex = 1, value = --VERSION"),
        std::string::npos);
}

TEST_F(LauncherEntryTest, QuietRunWritesAnOwnerOnlyLog) {
    const ChildResult result = sandbox.run({"-install", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto found = sandbox.logs();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(std::regex_match(std::filesystem::path(found[0]).filename().string(),
                                 std::regex("ZBT-[0-9A-F]{8}\\.log")));
    ASSERT_TRUE(std::filesystem::exists(found[0]));
    EXPECT_EQ(fileRights(found[0]), std::filesystem::perms(0600));
    const std::string log = readFile(found[0]);
    for (const char* line :
         {"Bootstrapper::Bootstrapper", "Main threadID \\d+",
          "Start time: \\d{2}-\\d{2}-\\d{4} \\d{2}:\\d{2}:\\d{2}", "installHost: \\S+",
          "baseHost: \\S+", "Running bootstrapper in sync mode",
          "BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperStarted",
          "BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperFinishedSuccess",
          "BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperFinishedSuccess2",
          "CSimpleModule::WinMain Bring app to front again."})
        EXPECT_TRUE(std::regex_search(log, std::regex(std::string(kStamp) + line + "\n")))
            << line << "\n"
            << log;
}

TEST_F(LauncherEntryTest, BackgroundUpdateGivesWayToARunningStudio) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", sandbox.path("run"));
    platform::NamedMutex appMutex(server.baseHost() + "/startZorbitZARadadaApp");
    ASSERT_EQ(appMutex.wait(0), platform::WaitResult::Signaled);
    const ChildResult result = sandbox.run({"-qbg"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    const std::string log = sandbox.newestLog();
    EXPECT_NE(log.find("No bg update, Zorbit App is running"), std::string::npos) << log;
    EXPECT_EQ(log.find("Running bootstrapper in sync mode"), std::string::npos);
    appMutex.release();
}

TEST_F(LauncherEntryTest, InteractiveRunShowsTheWindowAndEndsWithTheRun) {
    const ChildResult result = sandbox.run({"-install", "-wait", "0"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = sandbox.newestLog();
    for (const char* line : {"CSimpleModule::WinMain current thread id = ",
                             "WM_QUIT message to the thread id = ", "Left CSimpleModule::WinMain"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
}

TEST_F(LauncherEntryTest, ShortRunNeverShowsADelayedWindow) {
    // Short whatever the machine's load: the version is installed already.
    ASSERT_EQ(sandbox.run({"-install", "-q"}).exitCode, 0);
    const ChildResult result = sandbox.run({"-install"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err.find("VEXMOOR TEST1 Studio"), std::string::npos) << result.err;
    EXPECT_EQ(sandbox.newestLog().find("showWindowAfterDelay showing window"), std::string::npos);
}

TEST_F(LauncherEntryTest, WaitWithoutValueEndsBeforeTheRun) {
    const ChildResult result = sandbox.run({"-q", "-wait"});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_NE(
        result.err.find("An error occured and Vexmoor cannot continue.\n\nBad argument -wait"),
        std::string::npos)
        << result.err;
    EXPECT_NE(sandbox.newestLog().find("ERROR: Bad argument -wait"), std::string::npos);
}
