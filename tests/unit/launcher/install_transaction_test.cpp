#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/errors.h"
#include "support/installing_bootstrapper.h"
#include "support/loopback_http_server.h"
#include "support/test_process.h"
#include "system/cookie_engine.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using ::testing::HasSubstr;
using Events = std::vector<std::string>;

namespace {

struct InstallTransaction : ::testing::Test {
    InstallSandbox sandbox;
    std::shared_ptr<InstallingBootstrapper> b = std::make_shared<InstallingBootstrapper>();
    const std::string cookies = sandbox.home("cookies.zbt");

    void SetUp() override {
        b->versionGuid_ = "version-2";
        storeCookiePath(cookies);
        std::ofstream{cookies};
        fs::create_directories(sandbox.versions() + "version-2");
        b->linkInstalledLauncher();
    }
    static void markInstalled(const std::string& version) {
        setStringValue(*createKey(RegistryHive::CurrentUser, kAppKeyPath), "version", version);
    }
    static std::vector<std::string> storedVersions() {
        RegistryKeyPtr key =
            openKey(RegistryKey::root(RegistryHive::CurrentUser), kAppVersionsKeyPath);
        std::vector<std::string> versions;
        std::string value;
        for (int i = 0; key && tryReadStringValue(*key, "version" + std::to_string(i), 260, value);
             ++i)
            versions.push_back(value);
        return versions;
    }
    Events outcomeEvents() const {
        Events found;
        for (const auto& event : b->events)
            if (event.rfind("Bootstrapper", 0) == 0) found.push_back(event);
        return found;
    }
};

}  // namespace

TEST_F(InstallTransaction, AFreshInstallLeavesItsEventsAndCookies) {
    b->install();
    EXPECT_EQ(outcomeEvents(),
              (Events{"BootstrapperInstallStarted", "BootstrapperInstallSuccess"}));
    EXPECT_TRUE(b->installStarted);
    EXPECT_FALSE(b->updateStarted);
    EXPECT_EQ(readWholeFile(cookies),
              "zbt_evt_initial_install_start={\"os\" : \"Win32\"}&"
              "zbt_evt_initial_install_success={\"os\" : \"Win32\"}&");
    EXPECT_EQ(b->installedVersion(), "version-2");
    const std::string log = b->logText();
    EXPECT_THAT(log, HasSubstr("Bootstrapper::install\n"));
    EXPECT_THAT(log, HasSubstr("isUpdating = 0\n"));
    EXPECT_THAT(log, HasSubstr("UI Message: Configuring VEXMOOR TEST1 Studio\n"));
    EXPECT_THAT(
        log,
        HasSubstr("BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperInstallSuccess"));
}

TEST_F(InstallTransaction, AnUpdateRetiresTheEarlierVersions) {
#ifdef _WIN32
    GTEST_SKIP() << "makes symbolic links, which need a privilege on Windows (Wine makes none)";
#endif
    markInstalled("version-1");
    for (const char* old : {"version-0", "version-1"}) {
        fs::create_directories(sandbox.versions() + old + "/content");
        b->prevVersions.push_back(old);
    }
    // Left by a killed install: named like a version, recorded nowhere.
    fs::create_directories(sandbox.versions() + "version-0aF9/content");
    // Not ours: other folders, and a link that only looks like a version.
    const std::string outside = sandbox.home("elsewhere/");
    fs::create_directories(outside);
    std::ofstream(outside + "keep.txt") << "keep";
    fs::create_directory_symlink(outside, sandbox.versions() + "version-0b");
    for (const char* other : {"Plugins", "version-", "version-notes", "VERSION-1x"})
        fs::create_directories(sandbox.versions() + other + "/data");
    b->install();
    EXPECT_EQ(outcomeEvents(), (Events{"BootstrapperUpdateStarted", "BootstrapperUpdateSuccess"}));
    EXPECT_TRUE(b->updateStarted);
    EXPECT_EQ(readWholeFile(cookies), "") << "no cookie entries for an update";
    for (const char* retired : {"version-0", "version-1", "version-0aF9"})
        EXPECT_FALSE(fs::exists(sandbox.versions() + retired)) << retired;
    EXPECT_TRUE(fs::exists(sandbox.versions() + "version-2"));
    for (const char* other : {"Plugins", "version-", "version-notes", "VERSION-1x"})
        EXPECT_TRUE(fs::exists(sandbox.versions() + other + "/data")) << other;
    EXPECT_TRUE(fs::exists(outside + "keep.txt"));
    EXPECT_EQ(b->prevVersions,
              (std::vector<std::string>{"version-0", "version-1", "version-0aF9", "version-2"}));
    EXPECT_EQ(storedVersions(), (std::vector<std::string>{"version-2"}));
}

TEST_F(InstallTransaction, TheBrowsersLaunchIsToldAboutTheInstall) {
    LoopbackHttpServer server;
    server.serve("/client-status/set", ScriptedResponse::ok("ignored"));
    b->baseHost_ = "127.0.0.1:" + std::to_string(server.port());
    b->browserTrackerId = "42 &x";
    b->install();
    const auto requests = server.requestsFor("/client-status/set");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target,
              "/client-status/set?browserTrackerId=42%20%26x&status=BootstrapperInstalling");
    EXPECT_EQ(requests[0].contentType, "*/*");
    EXPECT_EQ(requests[0].body, "");
}

TEST_F(InstallTransaction, AFailedClientStatusDoesNotStopTheInstall) {
    LoopbackHttpServer server;
    server.serve("/client-status/set", ScriptedResponse::withStatus(500));
    b->baseHost_ = "127.0.0.1:" + std::to_string(server.port());
    b->browserTrackerId = "7";
    b->install();
    EXPECT_EQ(b->installedVersion(), "version-2");
    EXPECT_THAT(b->logText(), HasSubstr("Error: "));

    b->browserTrackerId.clear();
    markInstalled("version-1");
    b->install();
    EXPECT_EQ(server.countFor("/client-status/set"), 1u) << "no tracker id, no call";
}

TEST_F(InstallTransaction, ACancelEndsTheInstallBeforeItsSteps) {
    b->cancelled = true;
    EXPECT_THROW(b->install(), cancel_exception);
    EXPECT_EQ(outcomeEvents(), (Events{"BootstrapperInstallStarted"}));
    EXPECT_EQ(b->installedVersion(), "");
    EXPECT_EQ(readWholeFile(cookies), "zbt_evt_initial_install_start={\"os\" : \"Win32\"}&");
    EXPECT_THAT(b->logText(), HasSubstr("Error: Cancelled\n"));
    EXPECT_TRUE(b->deployCalls.empty());
}

TEST_F(InstallTransaction, AStepsFailureIsLoggedAndPassedOn) {
    b->deployHook = [] { throw std::runtime_error("disk broke"); };
    EXPECT_THROW(b->install(), std::runtime_error);
    EXPECT_THAT(b->logText(), HasSubstr("Error: disk broke\n"));
    EXPECT_EQ(readWholeFile(cookies), "zbt_evt_initial_install_start={\"os\" : \"Win32\"}&");
    EXPECT_TRUE(storedVersions().empty());
}

TEST_F(InstallTransaction, AllUsersNeedsAnAdministrator) {
    b->perUser = false;
    if (!test_process::runningAsRoot()) {
        try {
            b->install();
            FAIL() << "no refusal";
        } catch (const installer_error_exception& e) {
            EXPECT_EQ(e.code(), kAdminAccountRequired);
        }
        return;
    }
#ifdef _WIN32
    GTEST_SKIP() << "as an administrator, the refusal is seen from a forked child; Windows has "
                    "no fork";
#endif
    // As root, the refusal is seen from an ordinary user.
    test_process::Child child([&] {
        if (!test_process::becomeNobody()) return 3;
        try {
            b->install();
            return 1;
        } catch (const installer_error_exception& e) {
            return e.code() == kAdminAccountRequired ? 0 : 2;
        } catch (...) {
            return 4;
        }
    });
    child.wait();
    ASSERT_FALSE(child.wasKilled());
    EXPECT_EQ(child.wait(), 0);
    EXPECT_THAT(b->logText(), HasSubstr("Error: InstallerError\n"));
}
