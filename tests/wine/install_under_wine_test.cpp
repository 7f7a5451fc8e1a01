// The Windows launcher under Wine, per user and for all users: a fresh
// install, an update to a newly published version, and the uninstall.
#include <gtest/gtest.h>

#include <filesystem>

#include "wine/support/wine_fixture.h"

namespace fs = std::filesystem;

using InstallUnderWineTest = WineTest;

TEST_P(InstallUnderWineTest, AFreshInstallIsCompleteAndTheUninstallRemovesIt) {
    ASSERT_NO_FATAL_FAILURE(install());
    expectInstalled(server->deployment());

    // As the uninstall entry starts it, without its closing message.
    const std::string guid = server->versionGuid();
    std::vector<std::string> uninstall{"-uninstall", "-q"};
    if (!perUser()) uninstall.push_back("-alluser");
    const ChildResult result = sandbox->runProgram(installedLauncher(guid), uninstall);
    EXPECT_EQ(result.exitCode, 0) << result.err << sandbox->newestLog();
    expectUninstalled(guid);
}

TEST_P(InstallUnderWineTest, AnUpdateReplacesTheVersionAndItsRegistration) {
    ASSERT_NO_FATAL_FAILURE(install());
    const std::string first = server->versionGuid();
    server->publish();
    ASSERT_NE(server->versionGuid(), first);
    ASSERT_NO_FATAL_FAILURE(install());
    expectInstalled(server->deployment());
    EXPECT_FALSE(fs::exists(sandbox->versionFolder(first))) << "the earlier version stays";
}

INSTANTIATE_TEST_SUITE_P(Scopes, InstallUnderWineTest,
                         ::testing::Values(WineScope::PerUser, WineScope::AllUsers), scopeName);
