#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/installing_bootstrapper.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

struct DeploySelf : ::testing::Test {
    InstallSandbox sandbox;
    std::shared_ptr<InstallingBootstrapper> b = std::make_shared<InstallingBootstrapper>();
    std::string target;

    void SetUp() override {
        b->versionGuid_ = "v1";
        target = b->installedLauncherPath();
    }
};

}  // namespace

TEST_F(DeploySelf, TheRunningLauncherIsCopiedIntoTheVersionFolder) {
    EXPECT_EQ(target, sandbox.versions() + "v1/ZorbitStudioLauncherBeta.exe");
    b->deploySelf();
    EXPECT_EQ(fs::file_size(target), fs::file_size(platform::executablePath()));
    EXPECT_NE(fs::status(target).permissions() & fs::perms::owner_exec, fs::perms::none)
        << "the copy must run";
    const std::string log = b->logText();
    EXPECT_THAT(log, HasSubstr("deploySelf\n"));
    EXPECT_THAT(log, HasSubstr("Bootstrapper::deploySelf - Final file path=" + target + "\n"));
    EXPECT_THAT(log, HasSubstr("!PathFileExists\n"));
    EXPECT_THAT(log, HasSubstr("GetModuleFileName: " + platform::executablePath() + "\n"));
    EXPECT_THAT(
        log, HasSubstr("Copy: from  '" + platform::executablePath() + "' to '" + target + "'\n"));
}

TEST_F(DeploySelf, AnInstalledCopyThatDiffersIsReplaced) {
    std::ofstream(target) << "an older launcher";
    b->deploySelf();
    EXPECT_EQ(fs::file_size(target), fs::file_size(platform::executablePath()));
    EXPECT_FALSE(fs::exists(target + ".new"));
    EXPECT_THAT(b->logText(), HasSubstr("PathFileExists\n"));
    EXPECT_THAT(b->logText(), HasSubstr("Replaced older installed launcher: " + target + "\n"));
}
