#include "platform/exclusive_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/last_error.h"
#include "support/file_contents.h"
#include "support/temp_dir.h"

TEST(ExclusiveFile, ATakenNameIsRefusedAsExistingAndALinkIsNotFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "makes symbolic links, which need a privilege on Windows (Wine makes none)";
#endif
    TempDir dir;
    const std::string path = dir.file("new.tmp");
    std::FILE* file = platform::createExclusiveFile(path);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(platform::writeWhole(file, "abc", 3));
    EXPECT_TRUE(platform::closeWrittenFile(file));
    EXPECT_EQ(readFile(path), "abc");

    EXPECT_EQ(platform::createExclusiveFile(path), nullptr);
    EXPECT_EQ(platform::getLastError(), platform::kErrorAlreadyExists);
    std::filesystem::create_symlink(dir.file("target"), dir.file("link.tmp"));
    EXPECT_EQ(platform::createExclusiveFile(dir.file("link.tmp")), nullptr);
    EXPECT_EQ(platform::getLastError(), platform::kErrorAlreadyExists);
    EXPECT_FALSE(std::filesystem::exists(dir.file("target")));
}
