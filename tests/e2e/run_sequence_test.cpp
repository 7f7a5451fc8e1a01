// The run sequence of real launcher processes against the local platform server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/named_mutex.h"
#include "support/file_contents.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/scoped_env.h"
#include "support/test_process.h"

namespace {

struct RunSequenceTest : ::testing::Test {
    LocalPlatformServer server;
    LauncherSandbox sandbox{&server};
};

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace

TEST_F(RunSequenceTest, CurrentInstallationIsUpToDate) {
    sandbox.fakeInstalledVersion(server.versionGuid());
    const ChildResult result = sandbox.run({"-install", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = sandbox.newestLog();
    EXPECT_NE(log.find("UI Message: VEXMOOR TEST1 Studio is up-to-date"), std::string::npos) << log;
    EXPECT_EQ(log.find("forcing reinstall"), std::string::npos) << log;
}

TEST_F(RunSequenceTest, FailIfNotUpToDateReportsTheInstalledVersion) {
    EXPECT_EQ(sandbox.run({"-failIfNotUpToDate", "-q"}).exitCode, 1);
    sandbox.fakeInstalledVersion(server.versionGuid());
    const ChildResult current = sandbox.run({"-failIfNotUpToDate", "-q"});
    EXPECT_EQ(current.exitCode, 0) << current.err << sandbox.newestLog();
    EXPECT_NE(sandbox.newestLog().find("Zorbit is up to date, returning success"),
              std::string::npos);
}

TEST_F(RunSequenceTest, DebugCountsDownBeforeTheEnd) {
    sandbox.fakeInstalledVersion(server.versionGuid());
    const ChildResult result = sandbox.run({"-install", "-debug"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = sandbox.newestLog();
    size_t at = 0;
    for (int n = 5; n >= 1; --n) {
        const std::string line = "UI Message: VEXMOOR TEST1 Studio is up-to-date - starting in " +
                                 std::to_string(n) + " seconds";
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << log;
    }
}

TEST_F(RunSequenceTest, AnOvertakenLauncherGivesWay) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", sandbox.path("run"));
    platform::NamedMutex busy(server.baseHost() + "/bootstrapperZARadada");
    ASSERT_EQ(busy.wait(0), platform::WaitResult::Signaled);

    std::thread second([&] {
        const ChildResult result = sandbox.run({"-browser"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
    });
    ASSERT_TRUE(waitFor(
        [&] { return sandbox.newestLog().find("Waiting for mutex") != std::string::npos; }));
    const std::string secondLog = sandbox.logs().back();

    std::thread third([&] { sandbox.run({"-browser"}, 60000); });
    ASSERT_TRUE(waitFor(
        [&] { return readFile(secondLog).find("Double Start Cancelled") != std::string::npos; }));
    second.join();
    busy.release();
    third.join();
}

TEST(RunSequencePerUser, CurrentPerUserInstallationIsUpToDate) {
    LocalPlatformServer server;
    LauncherSandbox sandbox(&server, SandboxScope::PerUser);
    sandbox.fakeInstalledVersion(server.versionGuid());
    const ChildResult result = sandbox.run({"-install", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = sandbox.newestLog();
    EXPECT_NE(log.find("perUser = 1"), std::string::npos) << log;
    EXPECT_NE(log.find("UI Message: VEXMOOR TEST1 Studio is up-to-date"), std::string::npos) << log;
}

// Ctrl-C on a terminal run is the user's Cancel: the run ends with the cancel
// outcome and its downloads go. Downloads an ended run left more than a day
// ago go too; nothing else of the temporary folder does.
TEST_F(RunSequenceTest, InterruptCancelsTheRunAndLeavesNoDownloads) {
    namespace fs = std::filesystem;
    const std::string tmp = sandbox.path("tmp") + "/";
    zorbit::server::Fault stall;
    stall.path = "*.zip";
    stall.stall = true;
    server.addFault(stall);
    auto downloads = [&] {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(tmp))
            if (entry.path().extension() == ".tmp")
                found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    // Quiet on the main thread, and interactive with its window on the terminal.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-install", "-q"}, std::vector<std::string>{"-install"}}) {
        for (const char* name : {"ZBT-0000A1B2.tmp", "ZBT-0000C3D4.tmp", "ZBT-0000E5F6.txt"})
            std::ofstream(tmp + name) << name;
        const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
        fs::last_write_time(tmp + "ZBT-0000A1B2.tmp", old);
        fs::last_write_time(tmp + "ZBT-0000E5F6.txt", old);

        bool interrupted = false;
        const ChildResult result = sandbox.run(arguments, 60000, [&](int pid) {
            const auto now = downloads();
            const bool transferring =
                std::any_of(now.begin(), now.end(), [](const std::string& name) {
                    return name != "ZBT-0000A1B2.tmp" && name != "ZBT-0000C3D4.tmp";
                });
            if (!interrupted && transferring) interrupted = test_process::interruptProcess(pid);
        });
        EXPECT_TRUE(interrupted);
        EXPECT_EQ(result.exitCode, 255) << result.err;
        const std::string log = sandbox.newestLog();
        EXPECT_NE(log.find("RegisterEvent event=ZARadadaBootstrapperFinishedCancel"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("Removed stale download " + tmp + "ZBT-0000A1B2.tmp"), std::string::npos)
            << log;
        EXPECT_EQ(downloads(), std::vector<std::string>{"ZBT-0000C3D4.tmp"});
        EXPECT_TRUE(fs::exists(tmp + "ZBT-0000E5F6.txt"));
    }
}

// An administrator's run for the user who elevated it (sudo -E, pkexec) acts
// in that user's home, and what it creates there stays the user's.
TEST(RunSequenceElevated, FilesMadeInTheUsersHomeStayTheUsers) {
    namespace fs = std::filesystem;
    if (!test_process::runningAsRoot()) GTEST_SKIP() << "an elevated run needs root";
    LocalPlatformServer server;
    LauncherSandbox sandbox(&server, SandboxScope::AllUsers);
    const unsigned nobody = test_process::kNobodyId;
    const std::vector<std::string> homeFolders{"tmp",  "run",   "bin",    "config",
                                               "data", "cache", "Desktop"};
    test_process::giveToUser(sandbox.path(""), nobody, nobody);
    for (const auto& folder : homeFolders) {
        test_process::giveToUser(sandbox.path(folder), nobody, nobody);
        for (const auto& entry : fs::recursive_directory_iterator(sandbox.path(folder)))
            test_process::giveToUser(entry.path().string(), nobody, nobody);
    }
    sandbox.environment()["SUDO_UID"] = std::to_string(nobody);

    const ChildResult result = sandbox.run({"-install", "-q"});
    ASSERT_EQ(result.exitCode, 0) << result.err << sandbox.newestLog();
    std::vector<std::string> rootOwned;
    for (const auto& folder : homeFolders)
        for (const auto& entry : fs::recursive_directory_iterator(sandbox.path(folder))) {
            const auto owner = test_process::ownerOf(entry.path().string());
            if (owner && *owner != nobody) rootOwned.push_back(entry.path().string());
        }
    EXPECT_EQ(rootOwned, std::vector<std::string>{}) << sandbox.newestLog();
}
