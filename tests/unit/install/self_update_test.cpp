#include "install/self_update.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/process.h"
#include "support/registry_sandbox.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

namespace fs = std::filesystem;

TEST(FilesDiffer, OnlyWhenBothOpenAndDiffer) {
    TempDir dir;
    std::ofstream(dir.file("a")) << "one";
    std::ofstream(dir.file("b")) << "one";
    std::ofstream(dir.file("c")) << "two";
    EXPECT_FALSE(filesDiffer(dir.file("a"), dir.file("b")));
    EXPECT_TRUE(filesDiffer(dir.file("a"), dir.file("c")));
    EXPECT_FALSE(filesDiffer(dir.file("a"), dir.file("missing")));
    // Same size, a difference only in a later block; and one file the other's start.
    std::string big(200000, 'x');
    std::ofstream(dir.file("big1"), std::ios::binary) << big;
    std::ofstream(dir.file("big2"), std::ios::binary) << big.substr(0, big.size() - 1) << 'y';
    std::ofstream(dir.file("big3"), std::ios::binary) << big;
    std::ofstream(dir.file("start"), std::ios::binary) << big.substr(0, 65536);
    EXPECT_TRUE(filesDiffer(dir.file("big1"), dir.file("big2")));
    EXPECT_FALSE(filesDiffer(dir.file("big1"), dir.file("big3")));
    EXPECT_TRUE(filesDiffer(dir.file("start"), dir.file("big1")));
}

TEST(LauncherDownloadPath, UsesTheVexmoorFolderAndAvoidsAStuckFile) {
    RegistrySandbox sandbox;
    const std::string path = launcherDownloadPath("ZorbitStudioLauncherBeta.exe");
    EXPECT_EQ(path, sandbox.dir().file("tmp/Vexmoor/ZorbitStudioLauncherBeta.exe"));
    std::ofstream(path) << "old download";
    EXPECT_EQ(launcherDownloadPath("ZorbitStudioLauncherBeta.exe"), path);
    EXPECT_FALSE(fs::exists(path)) << "an old download is deleted";

    // A folder in the way cannot be deleted as a file: the name gets a tick prefix.
    fs::create_directories(path + "/inner");
    const std::string other = launcherDownloadPath("ZorbitStudioLauncherBeta.exe");
    EXPECT_NE(other, path);
    EXPECT_NE(other.find("-ZorbitStudioLauncherBeta.exe"), std::string::npos);
}

TEST(ReplaceInstalledCopy, ReplacesOnlyADifferingCopyAndLeavesNoNewFile) {
    RegistrySandbox sandbox;
    TestSite site;
    const std::string installed = sandbox.dir().file("installed.exe");

    replaceInstalledCopy(site.logger(), installed);  // missing: nothing happens
    EXPECT_FALSE(fs::exists(installed));

    std::ofstream(installed) << "an older launcher";
    fs::permissions(installed, fs::perms(0755));
    replaceInstalledCopy(site.logger(), installed);
    EXPECT_FALSE(filesDiffer(platform::executablePath(), installed));
    EXPECT_FALSE(fs::exists(installed + ".new"));
    EXPECT_TRUE((fs::status(installed).permissions() & fs::perms::owner_exec) != fs::perms::none);
    EXPECT_NE(site.logText().find("Replaced older installed launcher: " + installed),
              std::string::npos);

    replaceInstalledCopy(site.logger(), platform::executablePath());  // its own file: untouched
}
