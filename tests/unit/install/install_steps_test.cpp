#include "install/install_steps.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/resource_strings.h"
#include "platform/process.h"
#include "support/file_contents.h"
#include "support/installing_bootstrapper.h"
#ifndef _WIN32
#include "support/posix/desktop_files.h"
#endif
#include "support/test_site.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"
#include "system/shortcuts.h"
#include "system/version_folders.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using ::testing::HasSubstr;

namespace {

const char* const kLauncherExeName = "ZorbitStudioLauncherBeta.exe";

// The Studio's per-user install of version-1 as the run hands it to the steps,
// with a deployment that only records its call (and runs a hook in its place)
// and shortcut events that are recorded.
struct StudioInstallRun {
    TestSite site;
    std::vector<std::pair<bool, bool>> deployCalls;
    std::function<void()> deployHook;
    std::vector<std::string> events;
    RegistryKeyPtr classesKey;
    bool machineScopeUsed = false;

    StudioInstallRun() {
        site.baseHostName = resourceString(resource_id::kBaseHost);
        site.installHostName = resourceString(resource_id::kInstallHost);
        site.versionGuidText = "version-1";
        site.programDirectoryPath = versionFolder(true, site.versionGuidText);
    }

    void install() { installStudio(site, steps(), classesKey); }

    StudioInstall steps() {
        StudioInstall install;
        install.productName = "ZARadada";
        install.productRegistryKey = kAppKeyPath;
        install.protocolScheme = protocolScheme();
        // A Studio name of its own: tests running beside it never close each other's.
        install.appExeName =
            "ZorbitStudioBeta-" + std::to_string(platform::currentProcessId()) + ".exe";
        install.launcherExeName = kLauncherExeName;
        install.installedVersion = [this] {
            return registeredVersion(site.logger(), true, kAppKeyPath, machineScopeUsed);
        };
        install.deployComponents = [this](bool upgrade, bool unzip) {
            deployCalls.emplace_back(upgrade, unzip);
            if (deployHook) deployHook();
        };
        install.setUiMessage = [](const std::string&) {};
        install.createShortcuts = [this](bool forced) {
            createStudioShortcuts(
                site,
                {true, kLauncherExeName, [this] { return installedLauncherPath(); },
                 [this](const std::string& event) { events.push_back(event); }},
                forced);
        };
        return install;
    }

    std::string installHost() { return site.installHost(); }
    std::string baseHost() { return site.baseHost(); }
    static std::string protocolScheme() { return "zorbit-studio-qs1"; }
    std::string logText() const { return site.logText(); }
    std::string installedLauncherPath() { return site.programDirectory() + kLauncherExeName; }
    // The version folder's launcher as a link to the running program, so that
    // the install's self-copy finds itself in place and copies nothing.
    void linkInstalledLauncher() {
#ifdef _WIN32
        // Making links needs a privilege on Windows: a copy is the same program.
        fs::copy_file(platform::executablePath(), installedLauncherPath());
#else
        fs::create_symlink(platform::executablePath(), installedLauncherPath());
#endif
    }
};

struct InstallSteps : ::testing::Test {
    InstallSandbox sandbox;
    StudioInstallRun run;

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

// The Studio profile's own step, with its messages to the log.
TEST_F(InstallSteps, AppSettingsAreFiveLinesWithCrLf) {
    auto studio = std::make_shared<InstallingBootstrapper>();
    studio->versionGuid_ = "version-1";
    studio->baseHost_ = "www.qasite1.zorbit.localhost:8080";
    studio->writeAppSettings();
    studio->writeAppSettings();
    EXPECT_EQ(readWholeFile(sandbox.versions() + "version-1/AppSettings.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Settings>\r\n"
              "\t<ContentFolder>content</ContentFolder>\r\n"
              "\t<BaseUrl>http://www.qasite1.zorbit.localhost:8080</BaseUrl>\r\n</Settings>\r\n");
    EXPECT_THAT(studio->logText(), HasSubstr("UI Message: Configuring VEXMOOR...\n"));
}

TEST_F(InstallSteps, AFreshInstallDoesEveryStepAndWritesTheVersionLast) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    run.install();
    EXPECT_EQ(run.deployCalls, (std::vector<std::pair<bool, bool>>{{false, true}}));
    EXPECT_EQ(appValue(""), launcherIn("version-1"));
    EXPECT_EQ(appValue("install host"), run.installHost());
    EXPECT_EQ(appValue("version"), "version-1");
    EXPECT_EQ(appValue("protocol handler scheme"), run.protocolScheme());

    // The launcher copied itself into the version folder, runnable.
    ASSERT_TRUE(fs::exists(launcherIn("version-1")));
    EXPECT_TRUE(ownerMayRun(launcherIn("version-1")));
    EXPECT_EQ(fs::file_size(launcherIn("version-1")), fs::file_size(platform::executablePath()));

    EXPECT_TRUE(fs::exists(sandbox.versions() + "version-1/AppSettings.xml"));
    EXPECT_TRUE(openKey(RegistryKey::root(RegistryHive::CurrentUser), "Software\\Classes\\.zbtl"));
    EXPECT_TRUE(openKey(RegistryKey::root(RegistryHive::CurrentUser), kUninstallKeyPath));
    EXPECT_TRUE(fs::exists(placeEntryPath(true)));
    EXPECT_TRUE(fs::exists(protocolEntryPath(true, run.protocolScheme())));
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
    EXPECT_EQ(readStringValue(*current, "curZARadadaUrl"), run.baseHost());

    const std::string log = run.logText();
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
    EXPECT_EQ(run.events, (std::vector<std::string>{"BoostrapperCreateShortcutsStarted",
                                                    "BoostrapperCreateShortcutsSuccess"}));
#endif
}

TEST_F(InstallSteps, AFailedStepLeavesThePreviousVersionNamed) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    setAppValue("version", "version-0");
    run.deployHook = [] { throw std::runtime_error("download failed"); };
    run.linkInstalledLauncher();
    EXPECT_THROW(run.install(), std::runtime_error);
    EXPECT_EQ(appValue("version"), "version-0");
    EXPECT_EQ(appValue(""), launcherIn("version-1"));
    EXPECT_EQ(run.deployCalls, (std::vector<std::pair<bool, bool>>{{true, true}}));

    // A failure after the deployment, in the registration of the file type.
    run.deployHook = nullptr;
    fs::create_directories(placeEntryPath(true));
    EXPECT_THROW(run.install(), std::runtime_error);
    EXPECT_EQ(appValue("version"), "version-0");
#endif
}

TEST_F(InstallSteps, ReinstallingTheInstalledVersionUnnamesItUntilDone) {
    setAppValue("version", "version-1");
    fs::create_directories(sandbox.versions() + "version-1");
    run.linkInstalledLauncher();
    run.deployHook = [this] {
        EXPECT_EQ(appValue("version"), "<none>") << "the files are being rewritten";
        throw std::runtime_error("unpack failed");
    };
    EXPECT_THROW(run.install(), std::runtime_error);
    EXPECT_EQ(appValue("version"), "<none>");
    EXPECT_EQ(run.deployCalls, (std::vector<std::pair<bool, bool>>{{true, true}}));
    run.deployHook = nullptr;
    run.install();
    EXPECT_EQ(appValue("version"), "version-1");
}

TEST_F(InstallSteps, AnUpdateKeepsTheUsersChoiceOfDesktopShortcut) {
#ifdef _WIN32
    GTEST_SKIP()
        << "checks the freedesktop entries the Linux build writes; Windows writes .lnk files";
#endif
    setAppValue("version", "version-0");
    run.linkInstalledLauncher();
    run.install();
    EXPECT_FALSE(fs::exists(sandbox.desktop() + "ZORBIT Studio.desktop"));
    EXPECT_TRUE(fs::exists(sandbox.programs() + "ZORBIT Studio.desktop"));
    EXPECT_THAT(run.logText(), HasSubstr("Bootstrapper::CreateShortcuts force = 0,"));
}

TEST_F(InstallSteps, AnUpdateWithAnOldStudioShortcutGetsTheDesktopEntry) {
#ifdef _WIN32
    GTEST_SKIP()
        << "checks the freedesktop entries the Linux build writes; Windows writes .lnk files";
#endif
    setAppValue("version", "version-0");
    std::ofstream(sandbox.desktop() + "Zorbit Studio.desktop") << "[Desktop Entry]\nExec=/x/y\n";
    std::ofstream(sandbox.desktop() + "ZORBIT Studio Beta.desktop")
        << "[Desktop Entry]\nExec=/x/y\n";
    run.linkInstalledLauncher();
    run.install();
    EXPECT_TRUE(fs::exists(sandbox.desktop() + "ZORBIT Studio.desktop"));
    EXPECT_FALSE(fs::exists(sandbox.desktop() + "ZORBIT Studio Beta.desktop")) << "a legacy name";
    EXPECT_TRUE(fs::exists(sandbox.desktop() + "Zorbit Studio.desktop")) << "not a legacy name";
}

TEST_F(InstallSteps, AFailingShortcutStepDoesNotStopTheInstall) {
#ifdef _WIN32
    GTEST_SKIP() << "makes symbolic links, which need a privilege on Windows (Wine makes none)";
#endif
    fs::create_symlink("/no/such/file", sandbox.desktop() + "broken.desktop");
    run.linkInstalledLauncher();
    run.install();
    EXPECT_EQ(appValue("version"), "version-1");
    EXPECT_EQ(run.events.back(), "BoostrapperCreateShortcutsFailure");
    EXPECT_THAT(run.logText(), HasSubstr("IPersistFile Load failed"));
}

TEST_F(InstallSteps, OldBetaLeftoversAreRemoved) {
#ifdef _WIN32
    GTEST_SKIP()
        << "checks the freedesktop entries the Linux build writes; Windows writes .lnk files";
#endif
    const std::string links = sandbox.data() + "applications/ZorbitBeta/";
    const std::string data = sandbox.data() + "vexmoor-qasite1/StudioBetaVersions/";
    fs::create_directories(links + "sub");
    fs::create_directories(data + "v/content");
    std::ofstream(data + "v/content/file");
    createKey(RegistryHive::CurrentUser,
              std::string(kUninstallKeysPath) + "\\{6B64A6DF-79A4-418A-9A30-C7CFFAB603E9}\\x");
    run.linkInstalledLauncher();
    run.install();
    EXPECT_FALSE(fs::exists(links));
    EXPECT_FALSE(fs::exists(data));
    EXPECT_FALSE(
        openKey(RegistryKey::root(RegistryHive::CurrentUser),
                std::string(kUninstallKeysPath) + "\\{6B64A6DF-79A4-418A-9A30-C7CFFAB603E9}"));
    EXPECT_TRUE(openKey(RegistryKey::root(RegistryHive::CurrentUser), kUninstallKeyPath));
}
