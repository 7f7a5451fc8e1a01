#include "launch/running_instances.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "base/errors.h"
#include "base/resource_strings.h"
#include "launch/shutdown_dialog.h"
#include "platform/process.h"
#include "platform/process_list.h"
#include "platform/shared_memory.h"
#include "support/recording_dialog.h"
#include "support/test_bootstrapper.h"
#include "support/test_process.h"
#include "support/test_site.h"

namespace {

const char* const kDisplayName = "VEXMOOR TEST1 Studio";

// The block name of the Studio profile's launchers.
std::string studioLatestProcessName() {
    return latestProcessName(resourceString(resource_id::kBaseHost),
                             resourceString(resource_id::kInstallHost), "ZARadada");
}

struct RunningInstancesTest : ::testing::Test {
    TestBootstrapperEnvironment environment;
    TestSite site;
    RecordingDialog recording;
    RecordingDialog* dialog = &recording;
    std::vector<platform::ProcessInfo> started;
    // Tests run in parallel: each has a Studio name of its own.
    const std::string studioName = "Studio" + std::to_string(platform::currentProcessId()) + ".exe";

    void SetUp() override { setShutdownTimeoutSeconds(1); }

    // The wait as a foreground run makes it: stopped by a cancel or an error.
    void shutdownRunningApp(const std::string& imageName) {
        giveWayToRunningApp(site.logger(), false, imageName);
        const ShutdownWaitView view{
            kDisplayName, *dialog, site,
            [this] { return site.cancelled || !site.reportedErrors().empty(); },
            [this](const std::string& text) { dialog->setMessage(text); }};
        ::shutdownRunningApp(imageName, kDisplayName, *dialog,
                             [&view](int& counter, int tick, int total) {
                                 return shutdownProgress(counter, tick, total, view);
                             });
    }
    void TearDown() override {
        setShutdownTimeoutSeconds(15);
        for (auto& process : started) {
            test_process::killProcess(process.processId);
            platform::waitForProcess(process, 5000);
        }
    }
    // Starts a copy of a system program under the Studio's file name.
    platform::ProcessInfo startAs(const std::string& name, const std::string& program,
                                  const std::string& arguments) {
        const std::string copy = environment.dir().file(name);
        std::filesystem::copy_file(program, copy,
                                   std::filesystem::copy_options::overwrite_existing);
        platform::ProcessInfo info;
        EXPECT_TRUE(platform::startProcess("\"" + copy + "\" " + arguments, info));
        started.push_back(info);
        for (int i = 0; i < 100 && platform::findProcessesByImageName(name).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return info;
    }
    // A Studio that ignores the request to close, once its shell has said so.
    platform::ProcessInfo startStubbornStudio() {
        const std::string ready = environment.dir().file("stubborn");
        auto info = startAs(studioName, "/bin/sh",
                            "-c \"trap '' TERM; : > " + ready + "; while :; do sleep 1; done\"");
        for (int i = 0; i < 200 && !std::filesystem::exists(ready); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return info;
    }
};

}  // namespace

TEST_F(RunningInstancesTest, AStudioThatClosesIsWaitedForQuietly) {
#ifdef _WIN32
    GTEST_SKIP() << "starts Linux programs (/bin/sh, /bin/sleep) in the Studio's place";
#endif
    const auto studio = startAs(studioName, "/bin/sleep", "30");
    std::string otherCase = studioName;
    for (char& c : otherCase) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(platform::findProcessesByImageName(otherCase),
              std::vector<uint32_t>{static_cast<uint32_t>(studio.processId)});
    shutdownRunningApp(studioName);
    EXPECT_FALSE(platform::isProcessRunning(studio.processId));
    const auto calls = dialog->calls();
    EXPECT_EQ(calls.back(), "marquee:on");
    for (const auto& call : calls) EXPECT_EQ(call.find("box:"), std::string::npos) << call;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "show"), 1);
}

TEST_F(RunningInstancesTest, AStudioThatWillNotCloseBringsTheQuestion) {
#ifdef _WIN32
    GTEST_SKIP() << "starts Linux programs (/bin/sh, /bin/sleep) in the Studio's place";
#endif
    const auto studio = startStubbornStudio();
    dialog->answer = 2;  // Cancel
    EXPECT_THROW(shutdownRunningApp(studioName), cancel_exception);
    const auto calls = dialog->calls();
    const auto box = std::find_if(calls.begin(), calls.end(),
                                  [](const std::string& c) { return c.rfind("box:", 0) == 0; });
    ASSERT_NE(box, calls.end());
    EXPECT_EQ(*box,
              "box:\"" + std::string(kDisplayName) +
                  "\" needs to close.\n\nShut down now?  You may lose work that you haven't saved");

    dialog->answer = 1;  // OK: go on while it still runs
    EXPECT_NO_THROW(shutdownRunningApp(studioName));
    EXPECT_TRUE(platform::isProcessRunning(studio.processId));
}

TEST_F(RunningInstancesTest, TheWaitStopsWhenTheRunFailed) {
#ifdef _WIN32
    GTEST_SKIP() << "starts Linux programs (/bin/sh, /bin/sleep) in the Studio's place";
#endif
    startStubbornStudio();
    site.reportError(std::runtime_error("broken"));
    try {
        shutdownRunningApp(studioName);
        FAIL() << "no throw";
    } catch (const installer_error_exception& e) {
        EXPECT_EQ(e.code(), kInstallerTimeout);
    }
}

TEST_F(RunningInstancesTest, OtherProgramsAreNotTouched) {
#ifdef _WIN32
    GTEST_SKIP() << "starts Linux programs (/bin/sh, /bin/sleep) in the Studio's place";
#endif
    const auto other = startAs("SomethingElse", "/bin/sleep", "30");
    shutdownRunningApp(studioName);
    EXPECT_TRUE(platform::isProcessRunning(other.processId));
}

TEST_F(RunningInstancesTest, TheLaterLauncherIsTheLatest) {
#ifdef _WIN32
    GTEST_SKIP() << "runs a part of the test in a forked child; Windows has no fork";
#endif
    const auto mapping = registerLatestProcess(site.logger(), studioLatestProcessName());
    EXPECT_TRUE(isLatestProcess(site.logger(), mapping.get()));
    const int laterIsLatest = test_process::runInChild([this] {
        const auto later = registerLatestProcess(site.logger(), studioLatestProcessName());
        return isLatestProcess(site.logger(), later.get()) ? 0 : 1;
    });
    EXPECT_EQ(laterIsLatest, 0);
    EXPECT_FALSE(isLatestProcess(site.logger(), mapping.get()));
}

TEST_F(RunningInstancesTest, WithoutARecordTheLauncherCountsAsLatest) {
    EXPECT_TRUE(isLatestProcess(site.logger(), nullptr));
}
