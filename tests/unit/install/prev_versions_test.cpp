#include "install/prev_versions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/registry_sandbox.h"
#include "support/test_site.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using Versions = std::vector<std::string>;

namespace {

struct PrevVersions : ::testing::Test {
    RegistrySandbox sandbox;
    TestSite site;
    Versions versions;

    std::string versionsFolder() const { return sandbox.userData("vexmoor-qasite1/Versions/"); }

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
    versions = {"kept"};
    loadPrevVersions(site.logger(), true, versions);
    EXPECT_EQ(versions, (Versions{"kept", "a"}));
    EXPECT_THAT(site.logText(),
                ::testing::HasSubstr("Bootstrapper::loadPrevVersions - key found name = a\n"));
}

TEST_F(PrevVersions, ALongValueEndsTheList) {
    RegistryKeyPtr key = versionsKey();
    setStringValue(*key, "version0", std::string(259, 'x'));
    setStringValue(*key, "version1", std::string(260, 'y'));
    setStringValue(*key, "version2", "z");
    loadPrevVersions(site.logger(), true, versions);
    EXPECT_EQ(versions, (Versions{std::string(259, 'x')}));
}

TEST_F(PrevVersions, StoringKeepsOnlyFoldersThatExist) {
    RegistryKeyPtr key = versionsKey();
    for (const char* name : {"version0", "version1", "version2"})
        setStringValue(*key, name, "stale");
    for (const char* version : {"X", "Z"}) fs::create_directories(versionsFolder() + version);
    versions = {"X", "Y", "Z", "", "X"};
    storePrevVersions(site.logger(), true, versions);
    EXPECT_EQ(stored(), (Versions{"version0=X", "version1=Z", "version2=X"}));
}

TEST_F(PrevVersions, AnAllUsersLauncherWithoutRightsStillStarts) {
#ifdef _WIN32
    GTEST_SKIP() << "blocks the registry's hive files, which Windows does not have";
#endif
    // The machine's hive cannot be written (its folder is a file): loading finds nothing.
    const std::string blocked = sandbox.dir().file("home/machine-blocker");
    std::ofstream{blocked};
    ScopedEnv machine("ZORBIT_MACHINE_STATE_DIR", blocked + "/machine");
    EXPECT_NO_THROW(loadPrevVersions(site.logger(), false, versions));
    EXPECT_TRUE(versions.empty());
    EXPECT_THROW(storePrevVersions(site.logger(), false, versions), std::runtime_error);
}
