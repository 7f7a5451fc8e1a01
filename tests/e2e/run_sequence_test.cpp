// The run sequence of real launcher processes against the local platform server.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/named_mutex.h"
#include "support/file_contents.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/scoped_env.h"

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
    EXPECT_NE(sandbox.newestLog().find("Zorbit is up to date, returning success"), std::string::npos);
}

TEST_F(RunSequenceTest, DebugCountsDownBeforeTheEnd) {
    sandbox.fakeInstalledVersion(server.versionGuid());
    const ChildResult result = sandbox.run({"-install", "-debug"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = sandbox.newestLog();
    size_t at = 0;
    for (int n = 5; n >= 1; --n) {
        const std::string line =
            "UI Message: VEXMOOR TEST1 Studio is up-to-date - starting in " + std::to_string(n) + " seconds";
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
    ASSERT_TRUE(waitFor([&] { return sandbox.newestLog().find("Waiting for mutex") != std::string::npos; }));
    const std::string secondLog = sandbox.logs().back();

    std::thread third([&] { sandbox.run({"-browser"}, 60000); });
    ASSERT_TRUE(waitFor([&] { return readFile(secondLog).find("Double Start Cancelled") != std::string::npos; }));
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
