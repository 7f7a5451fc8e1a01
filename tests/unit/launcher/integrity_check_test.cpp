// The check of a current installation against the version's manifest.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "net/cdn_selection.h"
#include "support/local_platform_server.h"
#include "support/registry_sandbox.h"
#include "support/test_bootstrapper.h"
#include "ui/main_dialog.h"

namespace fs = std::filesystem;

namespace {

struct IntegrityCheckTest : ::testing::Test {
    RegistrySandbox sandbox;
    LocalPlatformServer server;
    std::shared_ptr<BootstrapperZARadada> bootstrapper;
    std::string folder;

    void SetUp() override {
        cdn_testing::resetSelection();
        bootstrapper = std::make_shared<BootstrapperZARadada>(nullptr);
        bootstrapper->dialog()->setSilent(true);
        bootstrapper->installHost_ = server.installHost();
        bootstrapper->baseHost_ = server.baseHost();
        bootstrapper->versionGuid_ = server.versionGuid();
        folder = bootstrapper->programDirectory();
        fs::create_directories(folder);
        copyFilesBelow(server.buildFolder(), folder);
    }
    void TearDown() override { cdn_testing::resetSelection(); }
    std::string log() { return readLogFile(bootstrapper->logger().fileName()); }
    // The first file the manifest lists, as a native path in the version folder.
    std::string firstListedFile() {
        std::string name = server.deployment().manifest.front().path;
        for (char& c : name)
            if (c == '\\') c = '/';
        return folder + name;
    }
};

}  // namespace

TEST_F(IntegrityCheckTest, AnIntactInstallationNeedsNothing) {
    bootstrapper->checkInstalledFiles();
    EXPECT_FALSE(bootstrapper->force) << log();
    EXPECT_NE(log().find("File check complete."), std::string::npos);
    EXPECT_EQ(server.requestsFor("/" + server.versionGuid() + "-zbtManifest.txt").size(), 1u);
    size_t manifests = 0;
    for (const auto& entry : fs::directory_iterator(sandbox.dir().file("tmp"))) {
        if (entry.path().extension() != ".manifest") continue;
        ++manifests;
#ifndef _WIN32  // Windows keeps no permission bits: the profile's folder guards it
        EXPECT_EQ(entry.status().permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
#endif
    }
    EXPECT_EQ(manifests, 1u);
}

TEST_F(IntegrityCheckTest, AMissingFileForcesAReinstall) {
    fs::remove(firstListedFile());
    bootstrapper->checkInstalledFiles();
    EXPECT_TRUE(bootstrapper->force);
    EXPECT_NE(
        log().find(server.deployment().manifest.front().path + " not found, forcing reinstall."),
        std::string::npos);
}

TEST_F(IntegrityCheckTest, ACorruptFileForcesAReinstall) {
    std::ofstream(firstListedFile(), std::ios::app) << "tampered";
    bootstrapper->checkInstalledFiles();
    EXPECT_TRUE(bootstrapper->force);
    EXPECT_NE(log().find("corruption detected, forcing reinstall."), std::string::npos);
}

TEST_F(IntegrityCheckTest, AManifestThatCannotBeFetchedEndsTheRun) {
    zorbit::server::Fault missing;
    missing.path = "/" + server.versionGuid() + "-zbtManifest.txt";
    missing.status = 404;
    server.addFault(missing);
    EXPECT_THROW(bootstrapper->checkInstalledFiles(), std::runtime_error);
    EXPECT_FALSE(bootstrapper->force);
}

TEST_F(IntegrityCheckTest, QuickCheckLooksOnlyForTheStudio) {
    bootstrapper->checkAppExecutable();
    EXPECT_FALSE(bootstrapper->force);
    std::ofstream(folder + "ZorbitStudioBeta.exe", std::ios::app) << "corrupt but present";
    bootstrapper->checkAppExecutable();
    EXPECT_FALSE(bootstrapper->force);
    fs::remove(folder + "ZorbitStudioBeta.exe");
    bootstrapper->checkAppExecutable();
    EXPECT_TRUE(bootstrapper->force);
    EXPECT_NE(log().find("ZorbitStudioBeta.exe not found, forcing reinstall."), std::string::npos);
}
