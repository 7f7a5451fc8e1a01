#include "system/shell_registration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/format.h"
#include "base/logger.h"
#include "platform/helper_program.h"
#include "platform/local_date.h"
#include "platform/user_account.h"
#ifndef _WIN32
#include "support/posix/desktop_files.h"
#endif
#include "support/registry_sandbox.h"
#include "system/initialization_keys.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using ::testing::HasSubstr;

namespace {

const char* const kDir = "/home/u/.local/share/vexmoor-qasite1/Versions/v1/";
const char* const kLauncher = "ZorbitStudioLauncherBeta.exe";

struct ShellRegistration : ::testing::Test {
    RegistrySandbox sandbox;
    simple_logger logger;

    static std::string value(RegistryHive hive, const std::string& path,
                             const std::string& name = "", uint32_t* type = nullptr) {
        RegistryKeyPtr key = openKey(RegistryKey::root(hive), path);
        if (!key) return "<no key>";
        std::vector<uint8_t> data;
        uint32_t found = 0;
        if (key->queryValue(name, found, data) != 0) return "<no value>";
        if (type) *type = found;
        if (found == platform::kRegDword) return std::to_string(data[0] | data[1] << 8);
        return std::string(data.begin(), data.end() - 1);
    }
    static bool exists(RegistryHive hive, const std::string& path) {
        return openKey(RegistryKey::root(hive), path) != nullptr;
    }
    std::string log() const { return readLogFile(logger.fileName()); }
};

}  // namespace

TEST_F(ShellRegistration, FileTypeKeysAndTheirDesktopExport) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    RegistryKeyPtr classes = openClassesKey(logger, true);
    registerFileTypes(logger, *classes, kDir, "ZorbitStudioBeta.exe", kLauncher);
    const auto hkcu = RegistryHive::CurrentUser;
    EXPECT_EQ(value(hkcu, "Software\\Classes\\.zbtl"), "Zorbit.Place");
    EXPECT_EQ(value(hkcu, "Software\\Classes\\.zbtl\\Zorbit.Place"), "<no value>");
    EXPECT_TRUE(exists(hkcu, "Software\\Classes\\.zbtl\\Zorbit.Place\\ShellNew"));
    EXPECT_EQ(value(hkcu, "Software\\Classes\\Zorbit.Place"), "Zorbit Place");
    EXPECT_EQ(value(hkcu, "Software\\Classes\\Zorbit.Place\\DefaultIcon"),
              std::string(kDir) + "ZorbitStudioBeta.exe,0");
    EXPECT_EQ(value(hkcu, "Software\\Classes\\Zorbit.Place\\shell"), "<no value>");
    EXPECT_EQ(value(hkcu, "Software\\Classes\\Zorbit.Place\\shell\\Open"), "Open");
    EXPECT_EQ(value(hkcu, "Software\\Classes\\Zorbit.Place\\shell\\Open\\command"),
              "\"" + std::string(kDir) + kLauncher + "\" -ide \"%1\"");

    const std::string data = sandbox.dir().file("home/.local/share/");
    EXPECT_EQ(placeEntryPath(true), data + "applications/zorbit-place.desktop");
    const auto entry = DesktopEntry::load(placeEntryPath(true));
    ASSERT_TRUE(entry);
    EXPECT_EQ(splitExecLine(entry->value("Exec")),
              (std::vector<std::string>{std::string(kDir) + kLauncher, "-ide", "%f"}));
    EXPECT_EQ(entry->value("MimeType"), "application/x-zorbit-place;");
    EXPECT_EQ(entry->value("NoDisplay"), "true");
    const std::string package = readWholeFile(data + "mime/packages/zorbit-place.xml");
    EXPECT_THAT(package, HasSubstr("<mime-type type=\"application/x-zorbit-place\">"));
    EXPECT_THAT(package, HasSubstr("<glob pattern=\"*.zbtl\"/>"));

    unregisterFileTypes(logger, *classes);
    EXPECT_FALSE(exists(hkcu, "Software\\Classes\\.zbtl"));
    EXPECT_FALSE(exists(hkcu, "Software\\Classes\\Zorbit.Place"));
    EXPECT_TRUE(exists(hkcu, "Software\\Classes"));
    EXPECT_FALSE(fs::exists(placeEntryPath(true)));
    EXPECT_FALSE(fs::exists(placeMimePackagePath(true)));
    // A second removal finds nothing and only logs.
    unregisterFileTypes(logger, *classes);
    EXPECT_THAT(log(), HasSubstr("Failed to delete key .zbtl "));
#endif
}

TEST_F(ShellRegistration, TheDesktopDatabasesKnowTheHandlers) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    if (platform::runHelperProgram("update-desktop-database", {"--help"}, 5000) ==
        platform::kHelperNotFound)
        GTEST_SKIP() << "update-desktop-database is not installed";
    createKey(RegistryHive::CurrentUser, kAppKeyPath);
    RegistryKeyPtr classes = openClassesKey(logger, true);
    registerFileTypes(logger, *classes, kDir, "ZorbitStudioBeta.exe", kLauncher);
    RegisterProtocolHandler(logger, true, "zorbit-studio-qs1", std::string(kDir) + kLauncher,
                            kAppKeyPath);
    const std::string cache = readWholeFile(applicationsFolder(true) + "mimeinfo.cache");
    EXPECT_THAT(cache, HasSubstr("x-scheme-handler/zorbit-studio-qs1=zorbit-studio-qs1.desktop;"));
    EXPECT_THAT(cache, HasSubstr("application/x-zorbit-place=zorbit-place.desktop;"));
    UnregisterProtocolHandler(logger, true, "zorbit-studio-qs1");
    EXPECT_THAT(readWholeFile(applicationsFolder(true) + "mimeinfo.cache"),
                ::testing::Not(HasSubstr("zorbit-studio-qs1")));
#endif
}

TEST_F(ShellRegistration, ProtocolKeysRecordTheScheme) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    createKey(RegistryHive::CurrentUser, kAppKeyPath);
    createKey(RegistryHive::CurrentUser,
              "SOFTWARE\\Microsoft\\Internet Explorer\\ProtocolExecute\\zorbit-studio-qs1\\x");
    const std::string launcher = std::string(kDir) + kLauncher;
    RegisterProtocolHandler(logger, true, "zorbit-studio-qs1", launcher, kAppKeyPath);
    const auto hkcu = RegistryHive::CurrentUser;
    const std::string key = "SOFTWARE\\Classes\\zorbit-studio-qs1";
    uint32_t type = 0;
    EXPECT_EQ(value(hkcu, key), "URL: Vexmoor Protocol");
    EXPECT_EQ(value(hkcu, key, "URL Protocol", &type), "");
    EXPECT_EQ(type, platform::kRegSz);
    EXPECT_EQ(value(hkcu, key + "\\DefaultIcon"), launcher);
    EXPECT_EQ(value(hkcu, key + "\\shell\\open\\command"), "\"" + launcher + "\" %1");
    EXPECT_EQ(value(hkcu, kAppKeyPath, "protocol handler scheme"), "zorbit-studio-qs1");
    EXPECT_FALSE(
        exists(hkcu, "SOFTWARE\\Microsoft\\Internet Explorer\\ProtocolExecute\\zorbit-studio-qs1"));
    EXPECT_THAT(log(),
                HasSubstr("HKCU\\SOFTWARE\\StudioQTZorbitReg :protocol handler scheme = \n"));

    const auto entry = DesktopEntry::load(protocolEntryPath(true, "zorbit-studio-qs1"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(splitExecLine(entry->value("Exec")), (std::vector<std::string>{launcher, "%u"}));
    EXPECT_EQ(entry->value("MimeType"), "x-scheme-handler/zorbit-studio-qs1;");

    // The same scheme again: one set of keys, the same values.
    createKey(RegistryHive::CurrentUser, key + "\\stale");
    RegisterProtocolHandler(logger, true, "zorbit-studio-qs1", launcher, kAppKeyPath);
    EXPECT_FALSE(exists(hkcu, key + "\\stale"));
    EXPECT_EQ(value(hkcu, key + "\\shell\\open\\command"), "\"" + launcher + "\" %1");
#endif
}

TEST_F(ShellRegistration, ANewSchemeRemovesTheRecordedOne) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the freedesktop entries the Linux build writes; Windows writes links "
                    "and registry keys";
#else
    createKey(RegistryHive::CurrentUser, kAppKeyPath);
    RegisterProtocolHandler(logger, true, "zorbit-studio-old", "/v/L", kAppKeyPath);
    ASSERT_TRUE(fs::exists(protocolEntryPath(true, "zorbit-studio-old")));
    RegisterProtocolHandler(logger, true, "zorbit-studio-qs1", "/v/L", kAppKeyPath);
    EXPECT_FALSE(exists(RegistryHive::CurrentUser, "SOFTWARE\\Classes\\zorbit-studio-old"));
    EXPECT_FALSE(fs::exists(protocolEntryPath(true, "zorbit-studio-old")));
    EXPECT_TRUE(fs::exists(protocolEntryPath(true, "zorbit-studio-qs1")));
    EXPECT_EQ(value(RegistryHive::CurrentUser, kAppKeyPath, "protocol handler scheme"),
              "zorbit-studio-qs1");

    UnregisterProtocolHandler(logger, true, "zorbit-studio-qs1");
    EXPECT_FALSE(exists(RegistryHive::CurrentUser, "SOFTWARE\\Classes\\zorbit-studio-qs1"));
    EXPECT_FALSE(fs::exists(protocolEntryPath(true, "zorbit-studio-qs1")));
    EXPECT_EQ(value(RegistryHive::CurrentUser, kAppKeyPath, "protocol handler scheme"),
              "zorbit-studio-qs1");
#endif
}

TEST_F(ShellRegistration, ProtocolWithoutApplicationKeyFailsAfterTheClassesKeys) {
    try {
        RegisterProtocolHandler(logger, true, "zorbit-studio-qs1", "/v/L", kAppKeyPath);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), HasSubstr("Failed to set protocol handler scheme key value: "));
    }
    EXPECT_TRUE(exists(RegistryHive::CurrentUser, "SOFTWARE\\Classes\\zorbit-studio-qs1"));
    RegisterProtocolHandler(logger, true, "", "/v/L", kAppKeyPath);  // nothing to do
}

TEST_F(ShellRegistration, UninstallEntryPerUserAndForAllUsers) {
    registerUninstall({true, kDir, kLauncher, "version-1", "www.qasite1.zorbit.localhost"});
    registerUninstall({false, "/opt/vexmoor-qasite1/Versions/v1/", kLauncher, "version-1", "h"});
    const std::string key = kUninstallKeyPath;
    const platform::LocalDate today = platform::localDate();
    const std::string date = format("%04d%02d%02d", today.year, today.month, today.day);
    for (const bool perUser : {true, false}) {
        const auto hive = perUser ? RegistryHive::CurrentUser : RegistryHive::LocalMachine;
        const std::string dir = perUser ? kDir : "/opt/vexmoor-qasite1/Versions/v1/";
        uint32_t type = 0;
        EXPECT_EQ(value(hive, key, "UninstallString", &type),
                  "\"" + dir + kLauncher + "\" -uninstall" + (perUser ? "" : " -alluser"));
        EXPECT_EQ(type, platform::kRegExpandSz);
        EXPECT_EQ(value(hive, key, "Publisher"), "Vexmoor");
        EXPECT_EQ(value(hive, key, "Comments"), "version-1");
        EXPECT_EQ(value(hive, key, "InstallLocation"), dir);
        EXPECT_EQ(value(hive, key, "NoModify", &type), "1");
        EXPECT_EQ(type, platform::kRegDword);
        EXPECT_EQ(value(hive, key, "NoRepair"), "1");
        EXPECT_EQ(value(hive, key, "DisplayIcon"), dir + kLauncher + ",0");
        EXPECT_EQ(value(hive, key, "InstallDate"), date);
        EXPECT_EQ(value(hive, key, "DisplayName"),
                  perUser ? "ZORBIT Studio for " + platform::userName() : "ZORBIT Studio");
    }
    EXPECT_EQ(value(RegistryHive::CurrentUser, key, "URLInfoAbout"),
              "https://www.qasite1.zorbit.localhost");
    EXPECT_FALSE(platform::userName().empty());
}
