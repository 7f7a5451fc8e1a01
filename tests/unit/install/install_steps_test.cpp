#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/file_contents.h"
#include "support/installing_bootstrapper.h"
#include "support/posix/desktop_files.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using ::testing::HasSubstr;

namespace {

struct InstallSteps : ::testing::Test {
    InstallSandbox sandbox;
    std::shared_ptr<InstallingBootstrapper> b = std::make_shared<InstallingBootstrapper>();

    void SetUp() override { b->versionGuid_ = "version-1"; }

    static std::string appValue(const std::string& name,
                                RegistryHive hive = RegistryHive::CurrentUser) {
        RegistryKeyPtr key = openKey(RegistryKey::root(hive), kAppKeyPath);
        std::string text = "<none>";
        if (key) tryReadStringValue(*key, name, 260, text);
        return text;
    }
    static void setAppValue(const std::string& name, const std::string& text) {
        setStringValue(*createKey(RegistryHive::CurrentUser, kAppKeyPath), name, text);
    }
    std::string launcherIn(const std::string& version) const {
        return sandbox.versions() + version + "/ZorbitStudioLauncherBeta.exe";
    }
    // Lines of the log that hold text, in order.
    size_t positionOf(const std::string& log, const std::string& text) {
        const size_t at = log.find(text);
        EXPECT_NE(at, std::string::npos) << text;
        return at;
    }
};

}  // namespace

TEST_F(InstallSteps, AppSettingsAreFiveLinesWithCrLf) {
    b->baseHost_ = "www.qasite1.zorbit.localhost:8080";
    b->writeAppSettings();
    b->writeAppSettings();
    EXPECT_EQ(readWholeFile(sandbox.versions() + "version-1/AppSettings.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Settings>\r\n"
              "\t<ContentFolder>content</ContentFolder>\r\n"
              "\t<BaseUrl>http://www.qasite1.zorbit.localhost:8080</BaseUrl>\r\n</Settings>\r\n");
    EXPECT_THAT(b->logText(), HasSubstr("UI Message: Configuring VEXMOOR...\n"));
}

TEST_F(InstallSteps, AFreshInstallDoesEveryStepAndWritesTheVersionLast) {
    b->DoInstallApp();
    EXPECT_EQ(b->deployCalls, (std::vector<std::pair<bool, bool>>{{false, true}}));
    EXPECT_EQ(appValue(""), launcherIn("version-1"));
    EXPECT_EQ(appValue("install host"), b->installHost());
    EXPECT_EQ(appValue("version"), "version-1");
    EXPECT_EQ(appValue("protocol handler scheme"), b->protocolScheme());

    // The launcher copied itself into the version folder, runnable.
    ASSERT_TRUE(fs::exists(launcherIn("version-1")));
    EXPECT_TRUE(ownerMayRun(launcherIn("version-1")));
    EXPECT_EQ(fs::file_size(launcherIn("version-1")), fs::file_size(platform::executablePath()));

    EXPECT_TRUE(fs::exists(sandbox.versions() + "version-1/AppSettings.xml"));
    EXPECT_TRUE(openKey(RegistryKey::root(RegistryHive::CurrentUser), "Software\\Classes\\.zbtl"));
    EXPECT_TRUE(openKey(RegistryKey::root(RegistryHive::CurrentUser), kUninstallKeyPath));
    EXPECT_TRUE(fs::exists(placeEntryPath(true)));
    EXPECT_TRUE(fs::exists(protocolEntryPath(true, b->protocolScheme())));
    for (const std::string& link : {sandbox.desktop(), sandbox.programs()}) {
        const auto entry = DesktopEntry::load(link + "ZORBIT Studio.desktop");
        ASSERT_TRUE(entry) << link;
        EXPECT_EQ(splitExecLine(entry->value("Exec")),
                  (std::vector<std::string>{launcherIn("version-1"), "-ide"}));
    }
    RegistryKeyPtr current = openKey(RegistryKey::root(RegistryHive::CurrentUser),
                                     "Software\\ZORBIT Corporation\\Zorbit");
    ASSERT_TRUE(current);
    EXPECT_EQ(readStringValue(*current, "curZARadadaVer"), "version-1");
    EXPECT_EQ(readStringValue(*current, "curZARadadaUrl"), b->baseHost());

    const std::string log = b->logText();
    const char* const order[] = {
        "BootstrapperZARadada::DoInstallApp - set install key",
        "BootstrapperZARadada::DoInstallApp - set install host key value",
        "BootstrapperZARadada::DoInstallApp - deploying studio bootstrapper",
        "Copy: from  '",
        "BootstrapperZARadada::DoInstallApp - DeployComponents()",
        "BootstrapperZARadada::DoInstallApp - writeAppSettings()",
        "BootstrapperZARadada::DoInstallApp - RegisterElevationPolicy",
        "BootstrapperZARadada::DoInstallApp - registerFileTypes()",
        "BootstrapperZARadada::DoInstallApp - RegisterProtocolHandler()",
        "BootstrapperZARadada::DoInstallApp - registerUninstall",
        "Bootstrapper::CreateShortcuts force = 1, link = 'ZORBIT Studio', exeName = "
        "'ZorbitStudioLauncherBeta.exe', params = '-ide'",
        "Cleaning up old beta leftovers",
        "Looking for old beta programs link folder",
        "Looking for old beta data folder",
        "Deleting old beta uninstall entry",
        "Failed to delete key {6B64A6DF-79A4-418A-9A30-C7CFFAB603E9} ",
        "setCurrentVersion - opening write registry key component=ZARadada",
        "BootstrapperZARadada::DoInstallApp - set version key value"};
    size_t last = 0;
    for (const char* line : order) {
        const size_t at = positionOf(log, line);
        EXPECT_GT(at, last) << line;
        last = at;
    }
    EXPECT_EQ(b->events, (std::vector<std::string>{"BoostrapperCreateShortcutsStarted",
                                                   "BoostrapperCreateShortcutsSuccess"}));
}

TEST_F(InstallSteps, AFailedStepLeavesThePreviousVersionNamed) {
    setAppValue("version", "version-0");
    b->deployHook = [] { throw std::runtime_error("download failed"); };
    b->linkInstalledLauncher();
    EXPECT_THROW(b->DoInstallApp(), std::runtime_error);
    EXPECT_EQ(appValue("version"), "version-0");
    EXPECT_EQ(appValue(""), launcherIn("version-1"));
    EXPECT_EQ(b->deployCalls, (std::vector<std::pair<bool, bool>>{{true, true}}));

    // A failure after the deployment, in the registration of the file type.
    b->deployHook = nullptr;
    fs::create_directories(placeEntryPath(true));
    EXPECT_THROW(b->DoInstallApp(), std::runtime_error);
    EXPECT_EQ(appValue("version"), "version-0");
}

TEST_F(InstallSteps, ReinstallingTheInstalledVersionUnnamesItUntilDone) {
    setAppValue("version", "version-1");
    fs::create_directories(sandbox.versions() + "version-1");
    b->linkInstalledLauncher();
    b->deployHook = [this] {
        EXPECT_EQ(appValue("version"), "<none>") << "the files are being rewritten";
        throw std::runtime_error("unpack failed");
    };
    EXPECT_THROW(b->DoInstallApp(), std::runtime_error);
    EXPECT_EQ(appValue("version"), "<none>");
    EXPECT_EQ(b->deployCalls, (std::vector<std::pair<bool, bool>>{{true, true}}));
    b->deployHook = nullptr;
    b->DoInstallApp();
    EXPECT_EQ(appValue("version"), "version-1");
}

TEST_F(InstallSteps, AnUpdateKeepsTheUsersChoiceOfDesktopShortcut) {
    setAppValue("version", "version-0");
    b->linkInstalledLauncher();
    b->DoInstallApp();
    EXPECT_FALSE(fs::exists(sandbox.desktop() + "ZORBIT Studio.desktop"));
    EXPECT_TRUE(fs::exists(sandbox.programs() + "ZORBIT Studio.desktop"));
    EXPECT_THAT(b->logText(), HasSubstr("Bootstrapper::CreateShortcuts force = 0,"));
}

TEST_F(InstallSteps, AnUpdateWithAnOldStudioShortcutGetsTheDesktopEntry) {
    setAppValue("version", "version-0");
    std::ofstream(sandbox.desktop() + "Zorbit Studio.desktop") << "[Desktop Entry]\nExec=/x/y\n";
    std::ofstream(sandbox.desktop() + "ZORBIT Studio Beta.desktop")
        << "[Desktop Entry]\nExec=/x/y\n";
    b->linkInstalledLauncher();
    b->DoInstallApp();
    EXPECT_TRUE(fs::exists(sandbox.desktop() + "ZORBIT Studio.desktop"));
    EXPECT_FALSE(fs::exists(sandbox.desktop() + "ZORBIT Studio Beta.desktop")) << "a legacy name";
    EXPECT_TRUE(fs::exists(sandbox.desktop() + "Zorbit Studio.desktop")) << "not a legacy name";
}

TEST_F(InstallSteps, AFailingShortcutStepDoesNotStopTheInstall) {
    fs::create_symlink("/no/such/file", sandbox.desktop() + "broken.desktop");
    b->linkInstalledLauncher();
    b->DoInstallApp();
    EXPECT_EQ(appValue("version"), "version-1");
    EXPECT_EQ(b->events.back(), "BoostrapperCreateShortcutsFailure");
    EXPECT_THAT(b->logText(), HasSubstr("IPersistFile Load failed"));
}

TEST_F(InstallSteps, OldBetaLeftoversAreRemoved) {
    const std::string links = sandbox.data() + "applications/ZorbitBeta/";
    const std::string data = sandbox.data() + "vexmoor-qasite1/StudioBetaVersions/";
    fs::create_directories(links + "sub");
    fs::create_directories(data + "v/content");
    std::ofstream(data + "v/content/file");
    createKey(RegistryHive::CurrentUser,
              std::string(kUninstallKeysPath) + "\\{6B64A6DF-79A4-418A-9A30-C7CFFAB603E9}\\x");
    b->linkInstalledLauncher();
    b->DoInstallApp();
    EXPECT_FALSE(fs::exists(links));
    EXPECT_FALSE(fs::exists(data));
    EXPECT_FALSE(
        openKey(RegistryKey::root(RegistryHive::CurrentUser),
                std::string(kUninstallKeysPath) + "\\{6B64A6DF-79A4-418A-9A30-C7CFFAB603E9}"));
    EXPECT_TRUE(openKey(RegistryKey::root(RegistryHive::CurrentUser), kUninstallKeyPath));
}
