#include "system/prerequisites.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/logger.h"
#include "support/registry_sandbox.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const kDiskMessage =
    "There is not enough room on your disk to install Vexmoor. Please free up some space and try "
    "again.";

// The checks as a run makes them: its log, and its window's message line,
// whose messages the run logs as "UI Message: <text>".
struct PrerequisiteChecks {
    simple_logger logger;
    bool interactive = true;
    const std::string versionFolder = "/v/Versions/version-1/";

    PrerequisiteReport report() {
        return {logger, interactive,
                [this](const std::string& text) { logger.log("UI Message: %s", text.c_str()); }};
    }
    void checkCPUPrerequisit() { checkCpuPrerequisite(report()); }
    void checkOSPrerequisit() { checkOsPrerequisite(report()); }
    void checkIEPrerequisit() { checkBrowserPrerequisite(report()); }
    // The disk check looks at the version folder of the version to install.
    void checkDiskSpacePrerequisit() { checkDiskSpacePrerequisite(report(), versionFolder); }
};

struct Prerequisites : ::testing::Test {
    RegistrySandbox sandbox;
    PrerequisiteChecks bootstrapper;
    std::string queriedPath = "<none>";

    ~Prerequisites() override { resetPrerequisiteProbes(); }

    std::string log() { return readLogFile(bootstrapper.logger.fileName()); }

    void setFreeBytes(uint64_t bytes) {
        prerequisiteProbes().freeDiskBytes = [this, bytes](const std::string& path) {
            queriedPath = path;
            return std::optional<uint64_t>(bytes);
        };
    }

    // The installer error code the check raised, or -1.
    template <typename Check>
    int codeOf(Check check) {
        try {
            check();
        } catch (const installer_error_exception& e) {
            return e.code();
        }
        return -1;
    }

    void setBrowserVersion(const std::string& version) {
        prerequisiteProbes().hasBrowserComponent = [] { return true; };
        RegistryKeyPtr key = createKey(platform::RegistryHive::LocalMachine, kBrowserKeyPath);
        setStringValue(*key, kBrowserVersionValue, version);
    }
};

}  // namespace

TEST_F(Prerequisites, ThisMachinePassesTheSystemChecks) {
#ifdef _WIN32
    GTEST_SKIP() << "reads the machine's browser version, which the test's private machine hive "
                    "does not hold";
#endif
    EXPECT_NO_THROW(bootstrapper.checkCPUPrerequisit());
    EXPECT_NO_THROW(bootstrapper.checkOSPrerequisit());
    EXPECT_NO_THROW(bootstrapper.checkIEPrerequisit());
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("checkOSPrerequisit\n"));
    for (const char* field : {"dwMajorVersion", "wServicePackMajor", "wServicePackMinor",
                              "dwBuildNumber", "dwPlatformId"}) {
        EXPECT_THAT(text, HasSubstr(std::string("OSVERSIONINFO.") + field + " "));
    }
    EXPECT_THAT(text, Not(HasSubstr("failed")));
}

TEST_F(Prerequisites, DiskCheckAtTheBoundary) {
    setFreeBytes(kRequiredFreeDiskBytes);
    EXPECT_EQ(codeOf([&] { bootstrapper.checkDiskSpacePrerequisit(); }), -1);
    EXPECT_EQ(queriedPath, bootstrapper.versionFolder);
    EXPECT_THAT(log(), Not(HasSubstr(kDiskMessage)));
    setFreeBytes(kRequiredFreeDiskBytes - 1);
    EXPECT_EQ(codeOf([&] { bootstrapper.checkDiskSpacePrerequisit(); }), kDiskSpacePreRequisite);
    EXPECT_THAT(log(), HasSubstr(std::string("UI Message: ") + kDiskMessage));
}

TEST_F(Prerequisites, DiskCheckShowsItsMessageAlsoWhenQuiet) {
    bootstrapper.interactive = false;
    setFreeBytes(0);
    EXPECT_EQ(codeOf([&] { bootstrapper.checkDiskSpacePrerequisit(); }), kDiskSpacePreRequisite);
    EXPECT_THAT(log(), HasSubstr(std::string("UI Message: ") + kDiskMessage));
}

TEST_F(Prerequisites, UnknownFreeSpacePasses) {
    prerequisiteProbes().freeDiskBytes = [](const std::string&) { return std::nullopt; };
    EXPECT_NO_THROW(bootstrapper.checkDiskSpacePrerequisit());
    EXPECT_TRUE(enoughDiskSpace(std::nullopt));
}

TEST_F(Prerequisites, RealFreeSpaceQuery) {
    const auto bytes = prerequisiteProbes().freeDiskBytes(sandbox.dir().path());
    ASSERT_TRUE(bytes);
    EXPECT_GT(*bytes, 0u);
    EXPECT_FALSE(prerequisiteProbes().freeDiskBytes(sandbox.dir().file("missing/folder")));
}

TEST_F(Prerequisites, FailingSystemChecksShowTheirMessageWhenInteractive) {
    prerequisiteProbes().cpuHasSse2 = [] { return false; };
    prerequisiteProbes().osMeetsMinimum = [] { return false; };
    EXPECT_EQ(codeOf([&] { bootstrapper.checkCPUPrerequisit(); }), kCpuPreRequisite);
    EXPECT_EQ(codeOf([&] { bootstrapper.checkOSPrerequisit(); }), kOSPreRequisite);
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("checkCPUPrerequisit failed\n"));
    EXPECT_THAT(text, HasSubstr("UI Message: Vexmoor requires SSE2 support\n"));
    EXPECT_THAT(text, HasSubstr("checkOSPrerequisit failed\n"));
    EXPECT_THAT(text,
                HasSubstr("UI Message: Vexmoor requires Microsoft Windows XP SP1 or greater\n"));
}

TEST_F(Prerequisites, QuietFailingChecksRaiseWithoutAMessage) {
    bootstrapper.interactive = false;
    prerequisiteProbes().cpuHasSse2 = [] { return false; };
    prerequisiteProbes().osMeetsMinimum = [] { return false; };
    prerequisiteProbes().hasBrowserComponent = [] { return true; };
    EXPECT_EQ(codeOf([&] { bootstrapper.checkCPUPrerequisit(); }), kCpuPreRequisite);
    EXPECT_EQ(codeOf([&] { bootstrapper.checkOSPrerequisit(); }), kOSPreRequisite);
    EXPECT_EQ(codeOf([&] { bootstrapper.checkIEPrerequisit(); }), kIEPreRequisite);
    EXPECT_THAT(log(), HasSubstr("checkIEPrerequisit failed\n"));
    EXPECT_THAT(log(), Not(HasSubstr("UI Message")));
}

TEST_F(Prerequisites, BrowserVersionByItsFirstCharacter) {
    setBrowserVersion("9.0.8112.16421");
    EXPECT_EQ(codeOf([&] { bootstrapper.checkIEPrerequisit(); }), -1);
    setBrowserVersion("6");
    EXPECT_EQ(codeOf([&] { bootstrapper.checkIEPrerequisit(); }), -1);
    // "11" starts with the digit one.
    setBrowserVersion("11.0.9600.19507");
    EXPECT_EQ(codeOf([&] { bootstrapper.checkIEPrerequisit(); }), kIEPreRequisite);
    EXPECT_THAT(
        log(),
        HasSubstr("UI Message: Vexmoor requires Microsoft Internet Explorer 6.0 or greater"));
    setBrowserVersion(std::string(256, '9'));  // too long to be read
    EXPECT_EQ(codeOf([&] { bootstrapper.checkIEPrerequisit(); }), kIEPreRequisite);
    setBrowserVersion(std::string(255, '9'));
    EXPECT_EQ(codeOf([&] { bootstrapper.checkIEPrerequisit(); }), -1);
}

TEST_F(Prerequisites, MissingBrowserVersionFails) {
    prerequisiteProbes().hasBrowserComponent = [] { return true; };
    EXPECT_EQ(codeOf([&] { bootstrapper.checkIEPrerequisit(); }), kIEPreRequisite);
    EXPECT_FALSE(browserVersionSupported(""));
}
