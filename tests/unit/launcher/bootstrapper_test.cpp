#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "base/errors.h"
#include "support/recording_dialog.h"
#include "support/test_bootstrapper.h"
#include "support/test_process.h"

namespace {

struct BootstrapperTest : ::testing::Test {
    TestBootstrapperEnvironment environment;
    std::shared_ptr<BootstrapperZARadada> bootstrapper =
        std::make_shared<BootstrapperZARadada>(nullptr);
    RecordingDialog* dialog = nullptr;

    void SetUp() override {
        auto recording = std::make_unique<RecordingDialog>();
        dialog = recording.get();
        bootstrapper->setDialog(std::move(recording));
    }
};

}  // namespace

TEST_F(BootstrapperTest, ProgressPercentUsesWideArithmetic) {
    bootstrapper->reportProgress(3, 0);
    bootstrapper->reportProgress(1, 3);
    bootstrapper->reportProgress(30000000, 40000000);  // 32-bit products would overflow
    bootstrapper->reportProgress(int64_t{5} << 33, int64_t{10} << 33);
    EXPECT_EQ(dialog->calls(), (std::vector<std::string>{"progress:0", "progress:33", "progress:75",
                                                         "progress:50"}));
}

TEST_F(BootstrapperTest, CheckCancelPrefersTheUsersCancel) {
    EXPECT_NO_THROW(bootstrapper->checkCancel());
    bootstrapper->reportError(std::runtime_error("x"));
    bootstrapper->onCancel();
    EXPECT_THROW(bootstrapper->checkCancel(), cancel_exception);
    EXPECT_GT(bootstrapper->cancelTime, 0);
}

TEST_F(BootstrapperTest, CheckCancelListsEveryRecordedError) {
    for (const char* text : {"x", "y", "z"}) bootstrapper->reportError(std::runtime_error(text));
    try {
        bootstrapper->checkCancel();
        FAIL() << "no throw";
    } catch (const previous_error& e) {
        EXPECT_STREQ(e.what(), "previous error 1: x 2: y 3: z ");
    }
}

TEST_F(BootstrapperTest, OnlyTheFirstErrorIsShown) {
    bootstrapper->reportError(std::runtime_error("first"));
    bootstrapper->reportError(std::runtime_error("second"));
    EXPECT_EQ(dialog->calls(),
              (std::vector<std::string>{
                  "error:An error occurred while starting VEXMOOR TEST1 Studio|first"}));
    EXPECT_EQ(bootstrapper->errorsSnapshot(), (std::vector<std::string>{"first", "second"}));
    const std::string log = readLogFile(bootstrapper->logger().fileName());
    EXPECT_NE(log.find("ERROR: first"), std::string::npos);
    EXPECT_NE(log.find("ERROR: second"), std::string::npos);
}

TEST_F(BootstrapperTest, QuietRunsShowNoError) {
    bootstrapper->interactive = false;
    bootstrapper->reportError(std::runtime_error("quiet"));
    EXPECT_TRUE(dialog->calls().empty());
}

TEST_F(BootstrapperTest, ThreadsReportingAtOnceLoseNothing) {
    constexpr int kThreads = 8;
    constexpr int kEach = 200;
    std::atomic<int> previousErrors{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                bootstrapper->reportError(
                    std::runtime_error(std::to_string(t) + ":" + std::to_string(i)));
                try {
                    bootstrapper->checkCancel();
                } catch (const previous_error&) {
                    ++previousErrors;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(bootstrapper->errorsSnapshot().size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(previousErrors.load(), kThreads * kEach);
}

TEST_F(BootstrapperTest, StudioConstants) {
    EXPECT_EQ(bootstrapper->productName(), "ZARadada");
    EXPECT_EQ(bootstrapper->productRegistryKey(), "SOFTWARE\\StudioQTZorbitReg");
    EXPECT_EQ(bootstrapper->protocolScheme(), "zorbit-studio-qs1");
    EXPECT_EQ(bootstrapper->launcherMutexName(),
              bootstrapper->baseHost() + "/bootstrapperZARadada");
    EXPECT_EQ(bootstrapper->appMutexName(), bootstrapper->baseHost() + "/startZorbitZARadadaApp");
    EXPECT_EQ(bootstrapper->appArguments, "-browser");
    EXPECT_GE(bootstrapper->correlationId, 0);
    EXPECT_LT(bootstrapper->correlationId, 32768);
}

TEST_F(BootstrapperTest, ConstructorLogsItsStart) {
    std::string log = readLogFile(bootstrapper->logger().fileName());
    // Windows' log lines end in CR LF.
    log.erase(std::remove(log.begin(), log.end(), '\r'), log.end());
    for (const char* line :
         {"Bootstrapper::Bootstrapper\n", "Main threadID ", "Start time: ", "installHost: ",
          "baseHost: ", "BootstrapperZARadada::BootstrapperZARadada\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(BootstrapperTest, UiMessageIsLoggedAndShown) {
    bootstrapper->setUiMessage("Connecting");
    EXPECT_EQ(dialog->calls(), std::vector<std::string>{"message:Connecting"});
    EXPECT_NE(readLogFile(bootstrapper->logger().fileName()).find("UI Message: Connecting"),
              std::string::npos);
}

TEST_F(BootstrapperTest, CreateProcessQuotesTheModuleOnce) {
#ifdef _WIN32
    GTEST_SKIP() << "starts Linux programs (/bin/sh, /bin/sleep) in the Studio's place";
#endif
    const std::string out = environment.dir().file("args");
    platform::ProcessInfo info;
    Bootstrapper::CreateProcess(bootstrapper->logger(), "/bin/sh",
                                "-c \"printf '%s|' \\\"$@\\\" > " + out + "\" sh a \"b c\"", info);
    int code = -1;
    ASSERT_TRUE(platform::waitForProcess(info, 5000, &code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readFile(out), "a|b c|");
    const std::string log = readLogFile(bootstrapper->logger().fileName());
    EXPECT_NE(log.find("Bootstrapper::CreateProcess module = /bin/sh, args = -c"),
              std::string::npos);

    ASSERT_NO_THROW(Bootstrapper::CreateProcess(bootstrapper->logger(), "\"/bin/true\"", "", info));
    EXPECT_TRUE(platform::waitForProcess(info, 5000));
}

TEST_F(BootstrapperTest, CreateProcessFailureNamesTheModule) {
    if (test_process::runningUnderWine())
        GTEST_SKIP() << "Wine's system message texts differ from Windows'";
    platform::ProcessInfo info;
    try {
        Bootstrapper::CreateProcess(bootstrapper->logger(), "/no/such/program", "", info);
        FAIL() << "no throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(),
                     "CreateProcess /no/such/program failed: The system cannot find the file "
                     "specified. (HRESULT 0x80070002)");
    }
}
