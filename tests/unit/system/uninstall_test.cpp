#include "system/uninstall.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "support/installing_bootstrapper.h"
#ifndef _WIN32
#include "support/posix/desktop_files.h"
#endif
#include "support/private_machine_folders.h"
#include "support/test_site.h"
#include "system/earlier_studio.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using ::testing::HasSubstr;

namespace {

const char* const kCurrentVersionKey = "Software\\ZORBIT Corporation\\Zorbit";

bool keyExists(RegistryHive hive, const std::string& path) {
    return openKey(RegistryKey::root(hive), path) != nullptr;
}

std::string valueOf(RegistryHive hive, const std::string& path, const std::string& name) {
    RegistryKeyPtr key = openKey(RegistryKey::root(hive), path);
    std::string text = "<none>";
    if (key) tryReadStringValue(*key, name, 260, text);
    return text;
}

std::shared_ptr<InstallingBootstrapper> installed(bool perUser, const std::string& version) {
    auto b = std::make_shared<InstallingBootstrapper>();
    b->perUser = perUser;
    b->versionGuid_ = version;
    b->linkInstalledLauncher();
    b->DoInstallApp();
    return b;
}

// A step of the run that a removal must not reach.
template <typename... Arguments>
std::function<void(Arguments...)> unexpected(const char* step) {
    return [step](Arguments...) { ADD_FAILURE() << step; };
}

// The Studio's removal of one scope with steps that must not be reached.
ScopeRemoval untouchedStudioScope(bool perUserScope) {
    return {perUserScope,
            kUninstallKeyPath,
            kAppKeyPath,
            "ZorbitStudioBeta.exe",
            "zorbit-studio-qs1",
            unexpected<const std::string&>("closeRunningApp"),
            unexpected<>("versionsListed"),
            unexpected<const RegistryKey&>("uninstallApp"),
            unexpected<const std::string&>("deleteVersionFolder"),
            unexpected<>("deleteAllVersionFolders")};
}

struct Uninstall : ::testing::Test {
    InstallSandbox sandbox;
    const std::string launcherOfVersions = sandbox.versions() + "ZorbitStudioLauncherBeta.exe";
};

}  // namespace

TEST_F(Uninstall, AScopeNeverInstalledIsLeftAlone) {
    TestSite site;
    uninstallScope(site, untouchedStudioScope(true));
    uninstallScope(site, untouchedStudioScope(false));
    const std::string log = site.logText();
    EXPECT_THAT(log, HasSubstr("Uninstall per user nothing to do\n"));
    EXPECT_THAT(log, HasSubstr("Uninstall all users nothing to do\n"));
    EXPECT_FALSE(keyExists(RegistryHive::CurrentUser, kAppKeyPath));
}

TEST_F(Uninstall, EverythingOfTheScopeGoes) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    auto b = installed(true, "version-1");
    std::ofstream(sandbox.desktop() + "VEXMOOR Player.desktop") << "[Desktop Entry]\nExec=/x\n";
    b->uninstall(true);
    const auto hkcu = RegistryHive::CurrentUser;
    for (const std::string& key :
         {std::string(kAppKeyPath), std::string("Software\\Classes\\.zbtl"),
          std::string("Software\\Classes\\Zorbit.Place"),
          "SOFTWARE\\Classes\\" + b->protocolScheme(), std::string(kUninstallKeyPath)})
        EXPECT_FALSE(keyExists(hkcu, key)) << key;
    EXPECT_EQ(valueOf(hkcu, kCurrentVersionKey, "curZARadadaVer"), "<none>");
    EXPECT_FALSE(fs::exists(sandbox.desktop() + "ZORBIT Studio.desktop"));
    EXPECT_FALSE(fs::exists(sandbox.desktop() + "VEXMOOR Player.desktop"));
    EXPECT_FALSE(fs::exists(sandbox.programs()));
    EXPECT_FALSE(fs::exists(placeEntryPath(true)));
    EXPECT_FALSE(fs::exists(placeMimePackagePath(true)));
    EXPECT_FALSE(fs::exists(protocolEntryPath(true, b->protocolScheme())));
    EXPECT_TRUE(fs::exists(sandbox.versions()));
    EXPECT_TRUE(fs::is_empty(sandbox.versions()));
    EXPECT_EQ(b->versionGuid_, "");
    const std::string log = b->logText();
    EXPECT_THAT(log, HasSubstr("Uninstall per user\n"));
    EXPECT_THAT(log, HasSubstr("Deleting HKCU\\Software\\SOFTWARE\\StudioQTZorbitReg\n"));
    EXPECT_THAT(log, HasSubstr("Remove from Add/Remove programs\n"));
    EXPECT_THAT(log, HasSubstr("Deleting zorbit shortcuts folder = " + sandbox.programs() + "\n"));
    EXPECT_THAT(log, HasSubstr("Uninstall per user done\n"));
#endif
}

TEST_F(Uninstall, AnotherComponentKeepsTheSharedParts) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    auto b = installed(true, "version-1");
    createKey(RegistryHive::CurrentUser, kOtherComponentUninstallKeyPath);
    b->versionGuid_ = "version-2";  // the server's newest, never installed here
    b->uninstall(true);
    EXPECT_FALSE(keyExists(RegistryHive::CurrentUser, kUninstallKeyPath));
    EXPECT_FALSE(fs::exists(sandbox.versions() + "version-1")) << "the installed version goes";
    // What remains starts a launcher that is there.
    EXPECT_TRUE(fs::is_regular_file(launcherOfVersions));
    EXPECT_EQ(valueOf(RegistryHive::CurrentUser, kAppKeyPath, ""), launcherOfVersions);
    EXPECT_EQ(DesktopEntry::load(sandbox.desktop() + "ZORBIT Studio.desktop")->program(),
              launcherOfVersions);
    EXPECT_EQ(valueOf(RegistryHive::CurrentUser, kAppKeyPath, "version"), "<none>");
    EXPECT_TRUE(fs::exists(sandbox.programs()));
    EXPECT_THAT(b->logText(),
                HasSubstr("Component " + std::string(kOtherComponentUninstallKeyPath) +
                          " still installed, no cleanup needed\n"));
#endif
}

TEST_F(Uninstall, WhatRemainsPointsAtTheVersionsLauncher) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    auto b = installed(true, "version-1");
    b->DoUninstallApp(RegistryKey::root(RegistryHive::CurrentUser));
    EXPECT_EQ(valueOf(RegistryHive::CurrentUser, kAppKeyPath, ""), launcherOfVersions);
    EXPECT_EQ(valueOf(RegistryHive::CurrentUser, kAppKeyPath, "version"), "<none>");
    EXPECT_EQ(b->installedVersion(), "");
    for (const std::string& folder : {sandbox.desktop(), sandbox.programs()})
        EXPECT_EQ(DesktopEntry::load(folder + "ZORBIT Studio.desktop")->program(),
                  launcherOfVersions);
    EXPECT_FALSE(keyExists(RegistryHive::CurrentUser, "Software\\Classes\\.zbtl"));
#endif
}

TEST_F(Uninstall, NothingIsLeftPointingAtALauncherThatCouldNotBeCopied) {
#ifdef _WIN32
    GTEST_SKIP() << "makes symbolic links, which need a privilege on Windows (Wine makes none)";
#endif
    auto b = installed(true, "version-1");
    fs::create_directories(launcherOfVersions + "/in the way");
    b->DoUninstallApp(RegistryKey::root(RegistryHive::CurrentUser));
    EXPECT_FALSE(fs::exists(sandbox.desktop() + "ZORBIT Studio.desktop"));
    EXPECT_FALSE(fs::exists(sandbox.programs() + "ZORBIT Studio.desktop"));
    EXPECT_EQ(valueOf(RegistryHive::CurrentUser, kAppKeyPath, ""), "<none>");
    EXPECT_TRUE(fs::exists(launcherOfVersions + "/in the way"));
}

TEST_F(Uninstall, RemovingThePerUserInstallLeavesTheAllUsersOneAlone) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    RUN_WITH_PRIVATE_MACHINE_FOLDERS([&] {
        const std::string machineVersions = "/opt/vexmoor-qasite1/Versions/";
        auto machine = installed(false, "machine-1");
        auto user = installed(true, "user-1");
        ASSERT_TRUE(fs::exists(machineVersions + "machine-1"));
        ASSERT_TRUE(fs::exists(sandbox.versions() + "user-1"));

        auto allUsersRun = std::make_shared<InstallingBootstrapper>();
        allUsersRun->perUser = false;
        allUsersRun->versionGuid_ = "machine-2";
        allUsersRun->uninstall(true);

        const auto hkcu = RegistryHive::CurrentUser, hklm = RegistryHive::LocalMachine;
        EXPECT_FALSE(keyExists(hkcu, kAppKeyPath));
        EXPECT_FALSE(keyExists(hkcu, kUninstallKeyPath));
        EXPECT_FALSE(keyExists(hkcu, "Software\\Classes\\.zbtl"));
        EXPECT_TRUE(fs::is_empty(sandbox.versions()));
        EXPECT_FALSE(fs::exists(sandbox.programs()));
        EXPECT_FALSE(fs::exists(placeEntryPath(true)));

        EXPECT_EQ(allUsersRun->versionGuid_, "machine-2");
        EXPECT_EQ(valueOf(hklm, kAppKeyPath, "version"), "machine-1");
        EXPECT_EQ(valueOf(hklm, kCurrentVersionKey, "curZARadadaVer"), "machine-1");
        EXPECT_TRUE(keyExists(hklm, kUninstallKeyPath));
        EXPECT_TRUE(keyExists(hklm, "Software\\Classes\\.zbtl"));
        EXPECT_TRUE(keyExists(hklm, "SOFTWARE\\Classes\\" + machine->protocolScheme()));
        EXPECT_TRUE(fs::exists(machineVersions + "machine-1/ZorbitStudioLauncherBeta.exe"));
        EXPECT_TRUE(
            fs::exists("/usr/local/share/applications/vexmoor-qasite1/ZORBIT Studio.desktop"));
        EXPECT_TRUE(fs::exists(placeEntryPath(false)));
        EXPECT_TRUE(fs::exists(placeMimePackagePath(false)));
        EXPECT_TRUE(fs::exists(protocolEntryPath(false, machine->protocolScheme())));
    });
#endif
}

TEST_F(Uninstall, TheEarlierStudioIsCleanedUpWhenNotInstalled) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; Windows writes .lnk "
                    "files and runs a shell script";
#endif
    TestSite site;
    RegistryKeyPtr current = createKey(RegistryHive::CurrentUser, kCurrentVersionKey);
    setStringValue(*current, "curStudioVer", "old");
    setStringValue(*current, "curZARadadaVer", "mine");
    fs::create_directories(sandbox.versions());
    std::ofstream(sandbox.versions() + "ZorbitStudioLauncher.exe");
    std::ofstream(sandbox.desktop() + "Play Zorbit.desktop");
    uninstallEarlierStudio(site.logger(), {true, unexpected<const std::string&>("startUninstaller"),
                                           unexpected<const std::string&>("deleteVersionFolder")});
    EXPECT_EQ(valueOf(RegistryHive::CurrentUser, kCurrentVersionKey, "curStudioVer"), "<none>");
    EXPECT_EQ(valueOf(RegistryHive::CurrentUser, kCurrentVersionKey, "curZARadadaVer"), "mine");
    EXPECT_FALSE(fs::exists(sandbox.versions() + "ZorbitStudioLauncher.exe"));
    EXPECT_FALSE(fs::exists(sandbox.desktop() + "Play Zorbit.desktop"));
    EXPECT_THAT(site.logText(),
                HasSubstr("Bootstrapper::forceUninstallMFCStudio - not installed\n"));
}

TEST_F(Uninstall, TheEarlierStudiosUninstallerIsStarted) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; Windows writes .lnk "
                    "files and runs a shell script";
#endif
    auto b = std::make_shared<InstallingBootstrapper>();
    const std::string marker = sandbox.home("uninstaller-ran");
    const std::string uninstaller = sandbox.home("old uninstaller.sh");
    std::ofstream(uninstaller) << "#!/bin/sh\ntouch '" << marker << "'\n";
    fs::permissions(uninstaller, fs::perms::owner_all);
    RegistryKeyPtr entry = createKey(RegistryHive::CurrentUser, kEarlierStudioUninstallKeyPath);
    const std::string stub = sandbox.versions() + "ZorbitStudioLauncher.exe";
    fs::create_directories(sandbox.versions() + "old-version/content");
    std::ofstream{stub};
    createKey(RegistryHive::CurrentUser, kEarlierStudioKeyPath, stub);
    // Its version is found through the fall-back to the machine's hive.
    setStringValue(*createKey(RegistryHive::LocalMachine, kEarlierStudioKeyPath), "version",
                   "old-version");

    setStringValue(*entry, "UninstallString", "");
    b->forceUninstallMFCStudio();
    EXPECT_TRUE(fs::exists(sandbox.versions() + "old-version")) << "an empty string starts nothing";
    EXPECT_FALSE(fs::exists(stub)) << "the clean-up ran";

    std::ofstream{stub};
    setStringValue(*entry, "UninstallString", uninstaller);
    b->forceUninstallMFCStudio();
    for (int i = 0; i < 500 && !fs::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(marker));
    EXPECT_FALSE(fs::exists(stub));
    EXPECT_FALSE(fs::exists(sandbox.versions() + "old-version"));
    EXPECT_THAT(b->logText(),
                HasSubstr("Bootstrapper::forceUninstallMFCStudio - path: " + uninstaller));
}
