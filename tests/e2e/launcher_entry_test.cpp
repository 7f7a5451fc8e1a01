// The launcher binary's entry: the version answer, a normal start, and a
// command-line error before the run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "platform/named_mutex.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_bootstrapper.h"

namespace {

struct LauncherEntryTest : ::testing::Test {
    TempDir home;
    std::map<std::string, std::string> environment{
        {"HOME", home.path()},
        {"TMPDIR", home.file("tmp")},
        {"XDG_CONFIG_HOME", home.file("config")},
        {"XDG_DATA_HOME", home.file("data")},
        {"XDG_CACHE_HOME", home.file("cache")},
        {"XDG_RUNTIME_DIR", home.file("run")},
        {"DISPLAY", ""},
    };
    void SetUp() override {
        for (const char* folder : {"tmp", "run"}) std::filesystem::create_directories(home.file(folder));
        ::chmod(home.file("run").c_str(), 0700);
    }
    ChildResult launch(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), builtProgram("src/ZorbitStudioLauncherBeta"));
        return runChild(arguments, environment, 60000);
    }
    std::vector<std::string> logs() {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(home.file("tmp")))
            if (entry.path().extension() == ".log") found.push_back(entry.path().string());
        return found;
    }
};

}  // namespace

TEST_F(LauncherEntryTest, VersionAloneAnswersAndLeavesNoLog) {
    const ChildResult result = launch({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "1.6.3.173\n");
    EXPECT_TRUE(logs().empty());
}

TEST_F(LauncherEntryTest, VersionInCapitalsGoesTheNormalWay) {
    const ChildResult result = launch({"--VERSION", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    ASSERT_EQ(logs().size(), 1u);
    const std::string log = readFile(logs()[0]);
    EXPECT_NE(log.find("Bootstrapper::parseCmdLine paramIndex = 1, value = --VERSION"), std::string::npos);
}

TEST_F(LauncherEntryTest, QuietRunWritesAnOwnerOnlyLog) {
    const ChildResult result = launch({"-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto found = logs();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(std::regex_match(std::filesystem::path(found[0]).filename().string(),
                                 std::regex("ZBT-[0-9A-F]{8}\\.log")));
    struct stat info{};
    ASSERT_EQ(::stat(found[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string log = readFile(found[0]);
    const std::string stamp = "\\d{2}-\\d{2}-\\d{4} \\d{2}:\\d{2}:\\d{2}\\.\\d{1,3} ";
    for (const char* line : {"Bootstrapper::Bootstrapper", "Main threadID \\d+",
                             "Start time: \\d{2}-\\d{2}-\\d{4} \\d{2}:\\d{2}:\\d{2}",
                             "installHost: \\S+", "baseHost: \\S+", "Running bootstrapper in sync mode",
                             "BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperStarted",
                             "BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperFinishedSuccess",
                             "BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperFinishedSuccess2",
                             "CSimpleModule::WinMain Bring app to front again."})
        EXPECT_TRUE(std::regex_search(log, std::regex(stamp + line + "\n"))) << line << "\n" << log;
}

TEST_F(LauncherEntryTest, BackgroundUpdateGivesWayToARunningStudio) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", home.file("run"));
    platform::NamedMutex appMutex("www.qasite1.zorbit.localhost:8470/startZorbitZARadadaApp");
    ASSERT_EQ(appMutex.wait(0), platform::WaitResult::Signaled);
    const ChildResult result = launch({"-qbg"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    ASSERT_EQ(logs().size(), 1u);
    const std::string log = readFile(logs()[0]);
    EXPECT_NE(log.find("No bg update, Zorbit App is running"), std::string::npos) << log;
    EXPECT_EQ(log.find("Running bootstrapper in sync mode"), std::string::npos);
    appMutex.release();
}

TEST_F(LauncherEntryTest, InteractiveRunShowsTheWindowAndEndsWithTheRun) {
    const ChildResult result = launch({});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("VEXMOOR TEST1 Studio"), std::string::npos) << result.err;
    const std::string log = readFile(logs().at(0));
    for (const char* line : {"Bootstrapper::Create showing dialog window, thread id = ",
                             "CSimpleModule::WinMain current thread id = ", "WM_QUIT message to the thread id = ",
                             "Fully Done!", "Left CSimpleModule::WinMain"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
}

TEST_F(LauncherEntryTest, ShortRunNeverShowsADelayedWindow) {
    const ChildResult result = launch({"-install"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err.find("VEXMOOR TEST1 Studio"), std::string::npos) << result.err;
    EXPECT_EQ(readFile(logs().at(0)).find("showWindowAfterDelay showing window"), std::string::npos);
}

TEST_F(LauncherEntryTest, WaitWithoutValueEndsBeforeTheRun) {
    const ChildResult result = launch({"-q", "-wait"});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_NE(result.err.find("An error occured and Vexmoor cannot continue.\n\nBad argument -wait"),
              std::string::npos)
        << result.err;
    ASSERT_EQ(logs().size(), 1u);
    EXPECT_NE(readFile(logs()[0]).find("ERROR: Bad argument -wait"), std::string::npos);
}
