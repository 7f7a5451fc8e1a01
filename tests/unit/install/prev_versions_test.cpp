#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/installing_bootstrapper.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using Versions = std::vector<std::string>;

namespace {

struct PrevVersions : ::testing::Test {
    InstallSandbox sandbox;
    std::shared_ptr<InstallingBootstrapper> b = std::make_shared<InstallingBootstrapper>();

    static RegistryKeyPtr versionsKey() {
        return createKey(RegistryHive::CurrentUser, kAppVersionsKeyPath);
    }
    static Versions stored() {
        RegistryKeyPtr key = versionsKey();
        Versions names;
        std::string name, value;
        for (uint32_t i = 0; key->enumValue(i, name) == 0; ++i) {
            tryReadStringValue(*key, name, 260, value);
            names.push_back(name + "=" + value);
        }
        return names;
    }
};

}  // namespace

TEST_F(PrevVersions, LoadingStopsAtTheFirstGap) {
    RegistryKeyPtr key = versionsKey();
    setStringValue(*key, "version0", "a");
    setStringValue(*key, "version2", "c");
    b->prevVersions = {"kept"};
    b->loadPrevVersions();
    EXPECT_EQ(b->prevVersions, (Versions{"kept", "a"}));
    EXPECT_THAT(b->logText(),
                ::testing::HasSubstr("Bootstrapper::loadPrevVersions - key found name = a\n"));
}

TEST_F(PrevVersions, ALongValueEndsTheList) {
    RegistryKeyPtr key = versionsKey();
    setStringValue(*key, "version0", std::string(259, 'x'));
    setStringValue(*key, "version1", std::string(260, 'y'));
    setStringValue(*key, "version2", "z");
    b->loadPrevVersions();
    EXPECT_EQ(b->prevVersions, (Versions{std::string(259, 'x')}));
}

TEST_F(PrevVersions, StoringKeepsOnlyFoldersThatExist) {
    RegistryKeyPtr key = versionsKey();
    for (const char* name : {"version0", "version1", "version2"})
        setStringValue(*key, name, "stale");
    for (const char* version : {"X", "Z"}) fs::create_directories(sandbox.versions() + version);
    b->prevVersions = {"X", "Y", "Z", "", "X"};
    b->storePrevVersions();
    EXPECT_EQ(stored(), (Versions{"version0=X", "version1=Z", "version2=X"}));
}

TEST_F(PrevVersions, AnAllUsersLauncherWithoutRightsStillStarts) {
    // The machine's hive cannot be written (its folder is a file): loading finds nothing.
    const std::string blocked = sandbox.home("machine-blocker");
    std::ofstream{blocked};
    ScopedEnv machine("ZORBIT_MACHINE_STATE_DIR", blocked + "/machine");
    b->perUser = false;
    EXPECT_NO_THROW(b->loadPrevVersions());
    EXPECT_TRUE(b->prevVersions.empty());
    EXPECT_THROW(b->storePrevVersions(), std::runtime_error);
}
