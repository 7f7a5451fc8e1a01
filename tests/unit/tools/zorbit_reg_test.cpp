#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/registry_sandbox.h"
#include "support/test_process.h"

using platform::RegistryHive;
using platform::RegistryKey;
using ::testing::HasSubstr;

namespace {

struct Result {
    int exitCode;
    std::string output;
};

// Runs zorbit-reg with the arguments (single-quoted for the shell) and the
// given standard input; stdout and stderr together.
Result zorbitReg(const std::vector<std::string>& arguments, const std::string& input = "") {
    std::string command =
        "printf '%s' '" + input + "' | " ZORBIT_BUILD_DIR "/tools/zorbit-reg/zorbit-reg";
    for (const auto& argument : arguments) command += " '" + argument + "'";
    command += " 2>&1";
    Result result{-1, {}};
    result.exitCode = test_process::runShellCommand(command, result.output);
    return result;
}

std::string stringValue(RegistryHive hive, const std::string& path, const std::string& name) {
    std::unique_ptr<RegistryKey> key;
    if (RegistryKey::root(hive).openKey(path, platform::kKeyRead, key) != 0) return "<no key>";
    std::string text;
    return key->queryString(name, 1024, text) == 0 ? text : "<no value>";
}

struct ZorbitReg : ::testing::Test {
    RegistrySandbox sandbox;
};

}  // namespace

TEST_F(ZorbitReg, AddQueryExportDelete) {
    const std::string key = "HKCU\\Software\\StudioQTZorbitReg";
    EXPECT_EQ(zorbitReg({"add", key, "/ve", "/d", "/opt/v/L"}).exitCode, 0);
    EXPECT_EQ(zorbitReg({"add", key, "/v", "install host", "/d", "setup \"q\""}).exitCode, 0);
    EXPECT_EQ(zorbitReg({"add", key, "/v", "NoModify", "/t", "REG_DWORD", "/d", "1"}).exitCode, 0);
    EXPECT_EQ(zorbitReg({"add", key + "\\Versions", "/v", "version0", "/t", "REG_EXPAND_SZ", "/d",
                         "a\\b"})
                  .exitCode,
              0);
    // What the tool wrote, the store reads.
    EXPECT_EQ(stringValue(RegistryHive::CurrentUser, "software\\studioqtzorbitreg", ""),
              "/opt/v/L");
    EXPECT_EQ(
        stringValue(RegistryHive::CurrentUser, "Software\\StudioQTZorbitReg\\Versions", "VERSION0"),
        "a\\b");

    Result query = zorbitReg({"query", "hkcu\\software\\studioqtzorbitreg"});
    EXPECT_EQ(query.exitCode, 0);
    EXPECT_EQ(query.output,
              "\nHKEY_CURRENT_USER\\software\\studioqtzorbitreg\n"
              "    (Default)    REG_SZ    /opt/v/L\n"
              "    install host    REG_SZ    setup \"q\"\n"
              "    NoModify    REG_DWORD    0x1\n"
              "\nHKEY_CURRENT_USER\\software\\studioqtzorbitreg\\Versions\n");
    query = zorbitReg({"query", key, "/v", "INSTALL HOST"});
    EXPECT_EQ(query.exitCode, 0);
    EXPECT_THAT(query.output, HasSubstr("    INSTALL HOST    REG_SZ    setup \"q\"\n"));

    const std::string file = sandbox.dir().file("out.reg");
    EXPECT_EQ(zorbitReg({"export", key, file}).exitCode, 0);
    EXPECT_EQ(readWholeFile(file),
              "Zorbit Registry Editor Version 5.00\n"
              "\n[HKEY_CURRENT_USER\\Software\\StudioQTZorbitReg]\n"
              "@=\"/opt/v/L\"\n"
              "\"install host\"=\"setup \\\"q\\\"\"\n"
              "\"NoModify\"=dword:00000001\n"
              "\n[HKEY_CURRENT_USER\\Software\\StudioQTZorbitReg\\Versions]\n"
              "\"version0\"=hex(2):61,00,5c,00,62,00,00,00\n"
              "\n");

    EXPECT_EQ(zorbitReg({"delete", key, "/v", "install host", "/f"}).exitCode, 0);
    EXPECT_EQ(stringValue(RegistryHive::CurrentUser, "Software\\StudioQTZorbitReg", "install host"),
              "<no value>");
    EXPECT_EQ(zorbitReg({"delete", key, "/f"}).exitCode, 0);
    query = zorbitReg({"query", key});
    EXPECT_EQ(query.exitCode, 1);
    EXPECT_THAT(
        query.output,
        HasSubstr("ERROR: The system was unable to find the specified registry key or value."));
}

TEST_F(ZorbitReg, OverwriteAndDeleteAskFirst) {
    const std::string key = "HKLM\\Software\\Asked";
    ASSERT_EQ(zorbitReg({"add", key, "/v", "v", "/d", "one"}).exitCode, 0);
    Result no = zorbitReg({"add", key, "/v", "v", "/d", "two"}, "no\n");
    EXPECT_EQ(no.exitCode, 1);
    EXPECT_THAT(no.output, HasSubstr("Value v exists, overwrite(Yes/No)?"));
    EXPECT_EQ(stringValue(RegistryHive::LocalMachine, "Software\\Asked", "v"), "one");
    EXPECT_EQ(zorbitReg({"add", key, "/v", "v", "/d", "two"}, "yes\n").exitCode, 0);
    EXPECT_EQ(stringValue(RegistryHive::LocalMachine, "Software\\Asked", "v"), "two");
    EXPECT_EQ(zorbitReg({"delete", key}, "").exitCode, 1);
    EXPECT_EQ(stringValue(RegistryHive::LocalMachine, "Software\\Asked", "v"), "two");
    EXPECT_EQ(zorbitReg({"delete", key}, "y\n").exitCode, 0);
    EXPECT_EQ(stringValue(RegistryHive::LocalMachine, "Software\\Asked", "v"), "<no key>");
}

TEST_F(ZorbitReg, BadInputFails) {
    EXPECT_EQ(zorbitReg({"query", "HKCR\\Software"}).exitCode, 1);
    EXPECT_EQ(
        zorbitReg({"add", "HKCU\\Software\\X", "/v", "d", "/t", "REG_DWORD", "/d", "x1"}).exitCode,
        1);
    EXPECT_EQ(zorbitReg({"add", "HKCU\\Software\\X", "/v", "d", "/t", "REG_QWORD"}).exitCode, 1);
    EXPECT_EQ(zorbitReg({"frobnicate", "HKCU\\Software"}).exitCode, 1);
    EXPECT_EQ(zorbitReg({"delete", "HKCU\\Software\\Missing", "/f"}).exitCode, 1);
}
