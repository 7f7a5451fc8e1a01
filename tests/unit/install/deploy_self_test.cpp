#include "install/deploy_self.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/process.h"
#include "support/registry_sandbox.h"
#include "support/test_site.h"
#include "system/version_folders.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const char* const kLauncher = "ZorbitStudioLauncherBeta.exe";

struct DeploySelf : ::testing::Test {
    RegistrySandbox sandbox;
    TestSite site;
    std::string target;

    void SetUp() override {
        site.programDirectoryPath = versionFolder(true, "v1");
        target = site.programDirectory() + kLauncher;
    }
};

}  // namespace

TEST_F(DeploySelf, TheRunningLauncherIsCopiedIntoTheVersionFolder) {
    EXPECT_EQ(target, sandbox.userData("vexmoor-qasite1/Versions/v1/") + kLauncher);
    deploySelf(site, kLauncher);
    EXPECT_EQ(fs::file_size(target), fs::file_size(platform::executablePath()));
    EXPECT_NE(fs::status(target).permissions() & fs::perms::owner_exec, fs::perms::none)
        << "the copy must run";
    const std::string log = site.logText();
    EXPECT_THAT(log, HasSubstr("deploySelf\n"));
    EXPECT_THAT(log, HasSubstr("Bootstrapper::deploySelf - Final file path=" + target + "\n"));
    EXPECT_THAT(log, HasSubstr("!PathFileExists\n"));
    EXPECT_THAT(log, HasSubstr("GetModuleFileName: " + platform::executablePath() + "\n"));
    EXPECT_THAT(
        log, HasSubstr("Copy: from  '" + platform::executablePath() + "' to '" + target + "'\n"));
}

TEST_F(DeploySelf, AnInstalledCopyThatDiffersIsReplaced) {
    std::ofstream(target) << "an older launcher";
    deploySelf(site, kLauncher);
    EXPECT_EQ(fs::file_size(target), fs::file_size(platform::executablePath()));
    EXPECT_FALSE(fs::exists(target + ".new"));
    EXPECT_THAT(site.logText(), HasSubstr("PathFileExists\n"));
    EXPECT_THAT(site.logText(), HasSubstr("Replaced older installed launcher: " + target + "\n"));
}
