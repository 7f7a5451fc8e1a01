#include "system/registry_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/logger.h"
#include "support/registry_sandbox.h"
#include "support/test_process.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"

using platform::RegistryHive;
using platform::RegistryKey;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

struct RegistryOperations : ::testing::Test {
    RegistrySandbox sandbox;
    simple_logger logger;

    std::string log() const { return readLogFile(logger.fileName()); }

    static uint32_t typeOf(const RegistryKey& key, const std::string& name) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        return key.queryValue(name, type, data) == 0 ? type : 0xFFFFFFFFu;
    }
};

}  // namespace

TEST_F(RegistryOperations, CreateKeyWithAndWithoutDefaultText) {
    RegistryKeyPtr key = createKey(RegistryHive::CurrentUser, kAppKeyPath, std::string("/a/L"));
    EXPECT_EQ(readStringValue(*key, ""), "/a/L");
    EXPECT_EQ(typeOf(*key, ""), platform::kRegSz);
    // No text: the default value stays as it is.
    key = createKey(RegistryHive::CurrentUser, kAppKeyPath);
    EXPECT_EQ(readStringValue(*key, ""), "/a/L");
    // An empty text is stored as an empty default value.
    key = createKey(RegistryHive::CurrentUser, kAppKeyPath, std::string());
    std::string text = "unset";
    EXPECT_TRUE(tryReadStringValue(*key, "", kShortValueChars, text));
    EXPECT_EQ(text, "");
    // The key comes back open for reading and writing.
    EXPECT_EQ(key->access(), platform::kKeyReadWrite);
    EXPECT_EQ(setStringValue(*key, "v", std::string("x")), 0u);
}

TEST_F(RegistryOperations, CreateKeyFailuresRaiseWithTheSystemText) {
    if (test_process::runningUnderWine())
        GTEST_SKIP() << "Wine's system message texts differ from Windows'";
    createKey(RegistryHive::CurrentUser, "Software");
    RegistryKeyPtr reader = openKey(RegistryKey::root(RegistryHive::CurrentUser), "Software");
    ASSERT_TRUE(reader);
    try {
        createKey(*reader, "StudioQTZorbitReg");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to create key StudioQTZorbitReg: Access is denied.");
    }
    try {
        createKey(RegistryHive::CurrentUser, "Software\\\\Bad");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to create key Software\\\\Bad: The parameter is incorrect.");
    }
}

TEST_F(RegistryOperations, DeleteKeyRemovesTheTreeAndOnlyLogsFailures) {
    if (test_process::runningUnderWine())
        GTEST_SKIP() << "Wine's system message texts differ from Windows'";
    createKey(RegistryHive::CurrentUser, "Software\\Classes\\Zorbit.Place\\DefaultIcon",
              std::string("icon"));
    const RegistryKey& root = RegistryKey::root(RegistryHive::CurrentUser);
    EXPECT_EQ(deleteKey(logger, root, "Software\\Classes\\Zorbit.Place"), 0u);
    EXPECT_FALSE(openKey(root, "Software\\Classes\\Zorbit.Place"));
    EXPECT_TRUE(openKey(root, "Software\\Classes"));

    const std::string missing = std::string(kUninstallKeysPath) + "\\" + kOldBetaUninstallKeyName;
    EXPECT_EQ(deleteKey(logger, root, missing), platform::kErrorFileNotFound);
    EXPECT_THAT(log(),
                HasSubstr("Failed to delete key " + missing +
                          " The system cannot find the file specified. (HRESULT 0x80070002)"));

    EXPECT_THROW(
        {
            try {
                deleteKey(logger, root, static_cast<const char*>(nullptr));
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "Attempt to delete a null key");
                throw;
            }
        },
        std::runtime_error);
    try {
        deleteKey(logger, root, "");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Attempt to delete an empty key");
    }
}

TEST_F(RegistryOperations, TreeAndSubKeyDeletion) {
    RegistryKeyPtr uninstall = createKey(RegistryHive::CurrentUser, kUninstallKeysPath);
    createKey(*uninstall, "{A}\\child");
    EXPECT_EQ(deleteSubKey(*uninstall, "{A}"), platform::kErrorAccessDenied);
    EXPECT_EQ(deleteKeyTree(*uninstall, "{A}"), 0u);
    EXPECT_EQ(deleteKeyTree(*uninstall, "{A}"), platform::kErrorFileNotFound);
    createKey(*uninstall, "{B}");
    EXPECT_EQ(deleteSubKey(*uninstall, "{B}"), 0u);
    std::string name;
    EXPECT_EQ(uninstall->enumKey(0, name), platform::kErrorNoMoreItems);
}

TEST_F(RegistryOperations, StringValues) {
    RegistryKeyPtr key = createKey(RegistryHive::CurrentUser, kAppKeyPath);
    EXPECT_EQ(setStringValue(*key, "absent", std::nullopt), platform::kErrorInvalidData);
    std::string text;
    EXPECT_FALSE(tryReadStringValue(*key, "absent", kShortValueChars, text));
    EXPECT_EQ(setStringValue(*key, "UninstallString", std::string("\"/x/L\" -uninstall"),
                             platform::kRegExpandSz),
              0u);
    EXPECT_EQ(typeOf(*key, "UninstallString"), platform::kRegExpandSz);
    EXPECT_EQ(readStringValue(*key, "uninstallstring"), "\"/x/L\" -uninstall");
    key->setDword("NoModify", 1);
    EXPECT_EQ(readStringValue(*key, "NoModify"), "");
    EXPECT_EQ(readStringValue(*key, "missing"), "");
}

TEST_F(RegistryOperations, ReaderBuffersCutAtTheirLimits) {
    RegistryKeyPtr key = createKey(RegistryHive::CurrentUser, kAppKeyPath);
    setStringValue(*key, "63", std::string(63, 'g'));
    setStringValue(*key, "64", std::string(64, 'g'));
    setStringValue(*key, "259", std::string(259, 'p'));
    setStringValue(*key, "260", std::string(260, 'p'));
    EXPECT_EQ(readStringValue(*key, "63"), std::string(63, 'g'));
    EXPECT_EQ(readStringValue(*key, "64"), "");
    EXPECT_EQ(readStringValue(*key, "259", kPathValueChars), std::string(259, 'p'));
    EXPECT_EQ(readStringValue(*key, "260", kPathValueChars), "");
}

TEST_F(RegistryOperations, ComponentInstalledUnderTheScopesRootOnly) {
    createKey(RegistryHive::LocalMachine, kOtherComponentUninstallKeyPath);
    EXPECT_TRUE(isComponentInstalled(false, kOtherComponentUninstallKeyPath));
    EXPECT_FALSE(isComponentInstalled(true, kOtherComponentUninstallKeyPath));
    EXPECT_FALSE(isComponentInstalled(false, kEarlierStudioUninstallKeyPath));
}

TEST_F(RegistryOperations, PerUserFallsBackToTheMachineAndMarksIt) {
    RegistryKeyPtr machine =
        createKey(RegistryHive::LocalMachine, kAppKeyPath, std::string("/m/L"));
    setStringValue(*machine, "version", std::string("version-m"));
    setStringValue(*machine, "install host", std::string("setup.m"));
    bool mark = false;
    EXPECT_EQ(registeredVersion(logger, true, kAppKeyPath, mark), "version-m");
    EXPECT_TRUE(mark);
    mark = false;
    EXPECT_EQ(registeredInstallHost(logger, true, kAppKeyPath, mark), "setup.m");
    EXPECT_TRUE(mark);
    EXPECT_EQ(registeredLauncherPath(true, kAppKeyPath), "/m/L");
    // Only the machine's key opened, so only it is logged.
    EXPECT_THAT(log(), HasSubstr("HKLM\\SOFTWARE\\StudioQTZorbitReg :version = version-m"));
    EXPECT_THAT(log(), HasSubstr("HKLM\\SOFTWARE\\StudioQTZorbitReg :install host = setup.m"));
    EXPECT_THAT(log(), Not(HasSubstr("HKCU\\")));
}

TEST_F(RegistryOperations, UserValueWinsWithoutTheMark) {
    RegistryKeyPtr user = createKey(RegistryHive::CurrentUser, kAppKeyPath, std::string("/u/L"));
    setStringValue(*user, "version", std::string("version-u"));
    createKey(RegistryHive::LocalMachine, kAppKeyPath, std::string("/m/L"));
    bool mark = false;
    EXPECT_EQ(registeredVersion(logger, true, kAppKeyPath, mark), "version-u");
    EXPECT_FALSE(mark);
    EXPECT_EQ(registeredLauncherPath(true, kAppKeyPath), "/u/L");
    EXPECT_THAT(log(), HasSubstr("HKCU\\SOFTWARE\\StudioQTZorbitReg :version = version-u"));
    EXPECT_THAT(log(), Not(HasSubstr("HKLM\\")));
    // An empty user value counts as nothing found: the machine is asked.
    EXPECT_EQ(registeredInstallHost(logger, true, kAppKeyPath, mark), "");
    EXPECT_FALSE(mark) << "the machine answered nothing either";
    EXPECT_THAT(log(), HasSubstr("HKCU\\SOFTWARE\\StudioQTZorbitReg :install host = \n"));
    EXPECT_THAT(log(), HasSubstr("HKLM\\SOFTWARE\\StudioQTZorbitReg :install host = \n"));
}

TEST_F(RegistryOperations, AllUsersNeverLooksAtTheUser) {
    RegistryKeyPtr user = createKey(RegistryHive::CurrentUser, kAppKeyPath, std::string("/u/L"));
    setStringValue(*user, "version", std::string("version-u"));
    bool mark = false;
    EXPECT_EQ(registeredVersion(logger, false, kAppKeyPath, mark), "");
    EXPECT_FALSE(mark);
    EXPECT_EQ(registeredLauncherPath(false, kAppKeyPath), "");
    EXPECT_THAT(log(), Not(HasSubstr("HKCU\\")));
    EXPECT_THAT(log(), Not(HasSubstr(":version")));  // the machine key did not open
}

TEST_F(RegistryOperations, LongVersionReadsAsNotInstalled) {
    RegistryKeyPtr user = createKey(RegistryHive::CurrentUser, kAppKeyPath);
    setStringValue(*user, "version", std::string(64, 'v'));
    bool mark = false;
    EXPECT_EQ(registeredVersion(logger, true, kAppKeyPath, mark), "");
    EXPECT_FALSE(mark);
}

TEST_F(RegistryOperations, CurrentVersionValues) {
    if (test_process::runningUnderWine())
        GTEST_SKIP()
            << "Wine enumerates a key's values sorted by name; Windows in the order they were made";
    setCurrentVersion(logger, true, "ZARadada", "version-1", "www.zorbit.localhost");
    RegistryKeyPtr key = openKey(RegistryKey::root(RegistryHive::CurrentUser),
                                 "Software\\ZORBIT Corporation\\Zorbit");
    ASSERT_TRUE(key);
    EXPECT_EQ(readStringValue(*key, "curZARadadaVer"), "version-1");
    EXPECT_EQ(readStringValue(*key, "curZARadadaUrl"), "www.zorbit.localhost");
    EXPECT_EQ(typeOf(*key, "curZARadadaVer"), platform::kRegSz);
    EXPECT_EQ(typeOf(*key, "curZARadadaUrl"), platform::kRegSz);
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("setCurrentVersion - opening write registry key "
                                "component=ZARadada, version=version-1, "
                                "url=www.zorbit.localhost\n"));
    EXPECT_THAT(text, HasSubstr("Writing current version to registry for ZARadada, version = "
                                "version-1, key = curZARadadaVer\n"));
    EXPECT_THAT(text, HasSubstr("Writing current url to registry for ZARadada, url = "
                                "www.zorbit.localhost, key = curZARadadaUrl\n"));
    EXPECT_THAT(text, HasSubstr("Succcess = 1\n"));

    setCurrentVersion(logger, true, "Studio", "old", "old.host");
    deleteCurVersionKeys(logger, true, "ZARadada");
    EXPECT_THAT(log(), HasSubstr("deleteCurVersionKeys\n"));
    EXPECT_THAT(log(), HasSubstr("deleteCurVersionKeys - key Opened\n"));
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; key->enumValue(i, name) == 0; ++i) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"curStudioVer", "curStudioUrl"}));
}

TEST_F(RegistryOperations, CurrentVersionKeysMissingIsQuiet) {
    deleteCurVersionKeys(logger, false, "ZARadada");
    EXPECT_THAT(log(), HasSubstr("deleteCurVersionKeys\n"));
    EXPECT_THAT(log(), Not(HasSubstr("key Opened")));
}
