#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/installing_bootstrapper.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

struct LauncherCopies : ::testing::Test {
    InstallSandbox sandbox;
    std::shared_ptr<InstallingBootstrapper> b = std::make_shared<InstallingBootstrapper>();
    std::string target;

    void SetUp() override {
        b->versionGuid_ = "v1";
        target = b->installedLauncherPath();
    }
};

}  // namespace

TEST_F(LauncherCopies, InstalledLauncherPathIsInTheVersionFolder) {
    EXPECT_EQ(target, sandbox.versions() + "v1/ZorbitStudioLauncherBeta.exe");
}

TEST_F(LauncherCopies, AnInstalledCopyThatDiffersIsReplacedThroughANewFile) {
    std::ofstream(target) << "an older launcher";
    b->deploySelf();
    EXPECT_EQ(fs::file_size(target), fs::file_size(platform::executablePath()));
    EXPECT_TRUE((fs::status(target).permissions() & fs::perms::owner_exec) != fs::perms::none);
    EXPECT_FALSE(fs::exists(target + ".new"));
    const std::string log = b->logText();
    EXPECT_THAT(log, HasSubstr("Bootstrapper::deploySelf - Final file path=" + target + "\n"));
    EXPECT_THAT(log, HasSubstr("PathFileExists\n"));
    EXPECT_THAT(log, HasSubstr("Replaced older installed launcher: " + target + "\n"));

    // The same content again: nothing to do.
    b->replaceInstalledCopy(target);
    EXPECT_EQ(b->logText().find("Replaced older", log.size()), std::string::npos);
}

TEST_F(LauncherCopies, AFailedCopyLeavesTheInstalledOneAlone) {
    fs::create_directories(target + ".new/blocked");
    std::ofstream(target) << "an older launcher";
    b->replaceInstalledCopy(target);
    EXPECT_EQ(fs::file_size(target), 17u);
    EXPECT_THAT(b->logText(), HasSubstr("replaceInstalledCopy failed: "));
    b->replaceInstalledCopy(sandbox.home("missing"));
    b->replaceInstalledCopy(platform::executablePath());
}
