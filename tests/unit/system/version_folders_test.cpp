#include "system/version_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "support/test_site.h"
#include "unit/install/install_env.h"
#include "unit/install/zip_builder.h"

namespace fs = std::filesystem;

namespace {

struct DeleteDirectoryTest : ::testing::Test {
    InstallEnv env;
    TestSite site;
    std::string root = env.temp.file("tree/");

    void SetUp() override {
        fs::create_directories(root + "sub/.hidden-folder");
        writeFile(root + ".keep", "dot-file");
        writeFile(root + "plain", "plain");
        writeFile(root + "sub/.hidden-folder/.x", "x");
        writeFile(root + "sub/readonly", "r");
        fs::permissions(root + "sub/readonly", fs::perms::owner_read);
        fs::create_directories(root + "locked");
        writeFile(root + "locked/file", "f");
        fs::permissions(root + "locked", fs::perms::owner_read | fs::perms::owner_exec);
    }
    void TearDown() override {
        std::error_code ignored;
        if (fs::exists(root + "locked", ignored))
            fs::permissions(root + "locked", fs::perms::owner_all, ignored);
    }
};

}  // namespace

// Dot-files, read-only files and folders without write permission all go.
// (As root the permission cases pass anyway; as a user they prove the reset.)
TEST_F(DeleteDirectoryTest, RemovesEverythingIncludingDotFiles) {
    EXPECT_FALSE(deleteDirectory(site, root, false));
    EXPECT_FALSE(fs::exists(root));
    EXPECT_NE(
        readLogFile(site.logger().fileName()).find("deleteDirectory " + root + " childrenOnly=0"),
        std::string::npos);
}

TEST_F(DeleteDirectoryTest, ChildrenOnlyKeepsTheFolder) {
    EXPECT_FALSE(deleteDirectory(site, root, true));
    EXPECT_TRUE(fs::is_directory(root));
    EXPECT_TRUE(fs::is_empty(root));
}

TEST_F(DeleteDirectoryTest, LinksAreRemovedNotFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "makes symbolic links, which need a privilege on Windows (Wine makes none)";
#endif
    const std::string outside = env.temp.file("outside/");
    fs::create_directories(outside);
    writeFile(outside + "precious", "keep me");
    fs::create_directory_symlink(outside, root + "link");
    EXPECT_FALSE(deleteDirectory(site, root, false));
    EXPECT_FALSE(fs::exists(root));
    EXPECT_EQ(readFile(outside + "precious"), "keep me");
}

TEST_F(DeleteDirectoryTest, MissingFolderIsNoFailure) {
    EXPECT_FALSE(deleteDirectory(site, env.temp.file("missing/"), false));
}

TEST_F(DeleteDirectoryTest, CancellationStopsTheDeletion) {
    site.cancelled = true;
    EXPECT_THROW(deleteDirectory(site, root, false), cancel_exception);
    EXPECT_TRUE(fs::exists(root));
}

namespace {

struct VersionFoldersTest : ::testing::Test {
    InstallEnv env;
    TestSite site;
    std::string versions = env.userData("vexmoor-qasite1/Versions/");
    const std::string version = env.temp.file("x/0a1b/").substr(env.temp.file("x/").size());

    static std::string none() { return {}; }
};

}  // namespace

TEST_F(VersionFoldersTest, ProgramDirectoryIsMadeUnderVersions) {
    EXPECT_EQ(versionsRoot(true), versions);
    EXPECT_EQ(versionFolder(true, "0a1b"), versions + version);
    EXPECT_TRUE(fs::is_directory(versions + "0a1b"));
    // Workers ask for it again and again: an existing folder is fine.
    EXPECT_EQ(versionFolder(true, "0a1b"), versions + version);
}

TEST_F(VersionFoldersTest, ProgramDirectoryFailsOnAFileInTheWay) {
    fs::create_directories(versions);
    writeFile(versions + "0a1b", "not a folder");
    try {
        versionFolder(true, "0a1b");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("CreateDirectory '" + versions + version + "' failed: ", 0),
            0u)
            << e.what();
    }
    // Without a version the Versions folder itself must never pass for one.
    for (const char* guid : {"", "\n", ".", "a/b"})
        EXPECT_THROW(versionFolder(true, guid), std::runtime_error) << "'" << guid << "'";
}

TEST_F(VersionFoldersTest, DeleteVersionFolderRemovesOnlyThatVersion) {
    fs::create_directories(versions + "old/content");
    writeFile(versions + "old/content/.keep", "k");
    fs::create_directories(versions + "current");
    deleteVersionFolder(site, true, "old", none);
    EXPECT_FALSE(fs::exists(versions + "old"));
    EXPECT_TRUE(fs::exists(versions + "current"));
    // Nothing reaches past the Versions folder, and the current version stays.
    deleteVersionFolder(site, true, "..", none);
    deleteVersionFolder(site, true, "../Versions", none);
    deleteVersionFolder(site, true, "", none);
    deleteVersionFolder(site, true, "current", [] { return std::string("current"); });
    EXPECT_TRUE(fs::exists(versions + "current"));
    const std::string log = site.logText();
    EXPECT_NE(log.find("Bootstrapper::deleteVersionFolder - version=old"), std::string::npos);
}

TEST_F(VersionFoldersTest, DeleteAllVersionFoldersKeepsTheVersionsFolderAndOthersFolders) {
    fs::create_directories(versions + "version-0a1b/b");
    fs::create_directories(versions + "Plugins");
    writeFile(versions + "ZorbitStudioLauncherBeta.exe", "launcher");
    deleteAllVersionFolders(site, true);
    EXPECT_TRUE(fs::is_directory(versions + "Plugins"));
    fs::remove(versions + "Plugins");
    EXPECT_TRUE(fs::is_empty(versions));
}
