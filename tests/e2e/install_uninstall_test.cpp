// A fresh install, an update and an uninstall by the launcher as a process,
// against the local platform server, for one user. They need the package
// deployment, and are enabled once it is in place.
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

struct InstallUninstallTest : ::testing::Test {
    LocalPlatformServer server;
    LauncherSandbox sandbox{&server};
    // This process reads the launcher's registry: the same hives.
    ScopedEnv config{"XDG_CONFIG_HOME", sandbox.path("config")};
    ScopedEnv machine{"ZORBIT_MACHINE_STATE_DIR", sandbox.path("machine")};

    std::string versions() const { return sandbox.path("data/vexmoor-qasite1/Versions/"); }
    static std::string appValue(const std::string& name) {
        RegistryKeyPtr key = openKey(RegistryKey::root(RegistryHive::CurrentUser), kAppKeyPath);
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

TEST_F(InstallUninstallTest, DISABLED_AFreshInstallRegistersTheVersion) {
    install();
    const std::string folder = versions() + server.versionGuid() + "/";
    EXPECT_EQ(appValue("version"), server.versionGuid());
    EXPECT_EQ(appValue(""), folder + "ZorbitStudioLauncherBeta.exe");
    EXPECT_TRUE(fs::exists(folder + "ZorbitStudioBeta.exe"));
    EXPECT_TRUE(fs::exists(folder + "AppSettings.xml"));
    EXPECT_TRUE(fs::exists(sandbox.path("data/applications/vexmoor-qasite1/ZORBIT Studio.desktop")));
    EXPECT_TRUE(fs::exists(sandbox.path("data/applications/zorbit-place.desktop")));
    EXPECT_TRUE(openKey(RegistryKey::root(RegistryHive::CurrentUser), kUninstallKeyPath));
}

TEST_F(InstallUninstallTest, DISABLED_AnUpdateRetiresThePreviousVersion) {
    install();
    const std::string first = server.versionGuid();
    const std::string second = server.publish().guid;
    install();
    EXPECT_EQ(appValue("version"), second);
    EXPECT_FALSE(fs::exists(versions() + first));
    EXPECT_TRUE(fs::exists(versions() + second + "/ZorbitStudioBeta.exe"));
    RegistryKeyPtr kept = openKey(RegistryKey::root(RegistryHive::CurrentUser), kAppVersionsKeyPath);
    ASSERT_TRUE(kept);
    EXPECT_EQ(readStringValue(*kept, "version0"), second);
    EXPECT_EQ(readStringValue(*kept, "version1"), "");
}

TEST_F(InstallUninstallTest, DISABLED_UninstallRemovesTheInstallation) {
    install();
    const ChildResult result = sandbox.run({"-uninstall", "-q"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(appValue("version"), "<none>");
    EXPECT_FALSE(openKey(RegistryKey::root(RegistryHive::CurrentUser), kAppKeyPath));
    EXPECT_FALSE(openKey(RegistryKey::root(RegistryHive::CurrentUser), kUninstallKeyPath));
    EXPECT_TRUE(fs::is_empty(versions()));
    EXPECT_FALSE(fs::exists(sandbox.path("data/applications/vexmoor-qasite1")));
    EXPECT_FALSE(fs::exists(sandbox.path("data/applications/zorbit-place.desktop")));
}
