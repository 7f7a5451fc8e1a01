// A fresh install, an update and an uninstall by the launcher as a process,
// against the local platform server, per user and for all users.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/scoped_env.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;

namespace {

class InstallUninstallTest : public ::testing::TestWithParam<SandboxScope> {
protected:
    LocalPlatformServer server;
    LauncherSandbox sandbox{&server, GetParam()};
    // This process reads the launcher's registry: the same hives.
    ScopedEnv config{"XDG_CONFIG_HOME", sandbox.path("config")};
    ScopedEnv machine{"ZORBIT_MACHINE_STATE_DIR", sandbox.path("machine")};

    void SetUp() override {
        if (!sandbox.available()) GTEST_SKIP() << "all-users runs need root";
    }
    RegistryHive hive() const {
        return sandbox.perUser() ? RegistryHive::CurrentUser : RegistryHive::LocalMachine;
    }
    std::string versions() const {
        return fs::path(sandbox.versionFolder("x")).parent_path().parent_path().string() + "/";
    }
    std::string applications() const {
        return sandbox.perUser() ? sandbox.path("data/applications/")
                                 : sandbox.path("machine-usr-local-share/applications/");
    }
    std::string appValue(const std::string& name) const {
        RegistryKeyPtr key = openKey(RegistryKey::root(hive()), kAppKeyPath);
        std::string text = "<none>";
        if (key) tryReadStringValue(*key, name, 260, text);
        return text;
    }
    void install() {
        const ChildResult result = sandbox.run({"-install", "-q"});
        ASSERT_EQ(result.exitCode, 0) << result.err << sandbox.newestLog();
    }
};

}  // namespace

TEST_P(InstallUninstallTest, AFreshInstallRegistersTheVersion) {
    install();
    const std::string folder = sandbox.versionFolder(server.versionGuid());
    EXPECT_EQ(appValue("version"), server.versionGuid());
    EXPECT_TRUE(fs::exists(folder + "ZorbitStudioBeta.exe"));
    EXPECT_TRUE(fs::exists(folder + "ZorbitStudioLauncherBeta.exe"));
    EXPECT_TRUE(fs::exists(folder + "AppSettings.xml"));
    EXPECT_TRUE(fs::exists(applications() + "vexmoor-qasite1/ZORBIT Studio.desktop"));
    EXPECT_TRUE(fs::exists(applications() + "zorbit-place.desktop"));
    EXPECT_TRUE(fs::exists(applications() + "zorbit-studio-qs1.desktop"));
    EXPECT_TRUE(openKey(RegistryKey::root(hive()), kUninstallKeyPath));
}

TEST_P(InstallUninstallTest, AnUpdateRetiresThePreviousVersion) {
    install();
    const std::string first = server.versionGuid();
    const std::string second = server.publish().guid;
    install();
    EXPECT_EQ(appValue("version"), second);
    EXPECT_FALSE(fs::exists(sandbox.versionFolder(first)));
    EXPECT_TRUE(fs::exists(sandbox.versionFolder(second) + "ZorbitStudioBeta.exe"));
    RegistryKeyPtr kept = openKey(RegistryKey::root(hive()), kAppVersionsKeyPath);
    ASSERT_TRUE(kept);
    EXPECT_EQ(readStringValue(*kept, "version0"), second);
    EXPECT_EQ(readStringValue(*kept, "version1"), "");
}

TEST_P(InstallUninstallTest, UninstallRemovesTheInstallation) {
    install();
    const ChildResult result = sandbox.run({"-uninstall", "-q"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(openKey(RegistryKey::root(hive()), kAppKeyPath));
    EXPECT_FALSE(openKey(RegistryKey::root(hive()), kUninstallKeyPath));
    EXPECT_TRUE(fs::is_empty(versions()));
    EXPECT_FALSE(fs::exists(applications() + "vexmoor-qasite1"));
    EXPECT_FALSE(fs::exists(applications() + "zorbit-place.desktop"));
    EXPECT_FALSE(fs::exists(applications() + "zorbit-studio-qs1.desktop"));
}

INSTANTIATE_TEST_SUITE_P(Scopes, InstallUninstallTest,
                         ::testing::Values(SandboxScope::PerUser, SandboxScope::AllUsers),
                         [](const auto& info) {
                             return info.param == SandboxScope::PerUser ? "PerUser" : "AllUsers";
                         });
