#include "system/initialization_keys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/logger.h"
#include "support/registry_sandbox.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"

using platform::RegistryHive;
using platform::RegistryKey;
using ::testing::HasSubstr;

namespace {

struct InitializationKeys : ::testing::Test {
    RegistrySandbox sandbox;
    simple_logger logger;

    std::string log() const { return readLogFile(logger.fileName()); }
};

}  // namespace

TEST_F(InitializationKeys, ClassesKeyOfEachScope) {
    RegistryKeyPtr user = openClassesKey(logger, true);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->fullName(), "HKEY_CURRENT_USER\\Software\\Classes");
    EXPECT_EQ(user->access(), platform::kKeyReadWrite);
    EXPECT_THAT(log(), HasSubstr("classesKey = HKEY_CURRENT_USER\\Software\\Classes\n"));
    RegistryKeyPtr machine = openClassesKey(logger, false);
    EXPECT_EQ(machine->fullName(), "HKEY_LOCAL_MACHINE\\Software\\Classes");
    EXPECT_THAT(log(), HasSubstr("classesKey = HKEY_LOCAL_MACHINE\\Software\\Classes\n"));
}

TEST_F(InitializationKeys, ClassesKeyFailureRaises) {
#ifdef _WIN32
    GTEST_SKIP() << "blocks the registry's hive files, which Windows does not have";
#endif
    // A file where the machine folder should be: the hive cannot be made.
    std::ofstream(sandbox.machineFolder()) << "not a folder";
    try {
        openClassesKey(logger, false);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(),
                     "Failed to create HK**\\Software\\Classes: The system cannot find the path "
                     "specified.");
    }
}

TEST_F(InitializationKeys, CookiePathIsSetWhenMissingOrEmpty) {
    initializeCookiePath(logger);
#ifdef _WIN32
    // Low-integrity processes may write there too.
    const std::string expected = sandbox.dir().file("home/AppData/LocalLow/zbtcsettings.zbt");
#else
    const std::string expected = sandbox.userData("zbtcsettings.zbt");
#endif
    EXPECT_EQ(registeredCookiePath(), expected);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(expected).parent_path()));

    storeCookiePath("");
    initializeCookiePath(logger);
    EXPECT_EQ(registeredCookiePath(), expected);
}

TEST_F(InitializationKeys, CookiePathThatIsSetStays) {
    storeCookiePath("/elsewhere/cookies.zbt");
    initializeCookiePath(logger);
    EXPECT_EQ(registeredCookiePath(), "/elsewhere/cookies.zbt");
}

TEST_F(InitializationKeys, CookiePathFailureIsOnlyLogged) {
#ifdef _WIN32
    GTEST_SKIP() << "blocks the registry's hive files, which Windows does not have";
#endif
    std::filesystem::create_directories(sandbox.dir().file("home"));
    // The configuration folder is a file: the user's hive cannot be made.
    std::ofstream(sandbox.dir().file("home/.config")) << "x";
    EXPECT_NO_THROW(initializeCookiePath(logger));
    EXPECT_THAT(log(), HasSubstr("Failure during cookie path initialization\n"));
}

TEST_F(InitializationKeys, InstalledVersionOfTheBootstrapper) {
    // The run's installed version: its product key, per user first.
    struct {
        simple_logger& logger;
        bool machineScopeUsed = false;
        std::string installedVersion() {
            return registeredVersion(logger, true, kAppKeyPath, machineScopeUsed);
        }
    } bootstrapper{logger};
    EXPECT_EQ(bootstrapper.installedVersion(), "");
    RegistryKeyPtr machine = createKey(RegistryHive::LocalMachine, kAppKeyPath);
    EXPECT_EQ(bootstrapper.installedVersion(), "");
    EXPECT_FALSE(bootstrapper.machineScopeUsed) << "an empty machine hive answered nothing";
    setStringValue(*machine, "version", std::string("version-all-users"));
    bootstrapper.machineScopeUsed = false;
    EXPECT_EQ(bootstrapper.installedVersion(), "version-all-users");
    EXPECT_TRUE(bootstrapper.machineScopeUsed);
    RegistryKeyPtr user = createKey(RegistryHive::CurrentUser, kAppKeyPath);
    setStringValue(*user, "version", std::string("version-user"));
    EXPECT_EQ(bootstrapper.installedVersion(), "version-user");
}
