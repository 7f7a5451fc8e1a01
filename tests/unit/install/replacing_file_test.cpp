#include "install/replacing_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/file_contents.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

void writeText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST(ReplacingFileTest, TheTargetAppearsWholeOnlyOnCommit) {
    TempDir dir;
    const std::string target = dir.file("sub/file.bin");
    fs::create_directories(dir.file("sub"));
    writeText(target, "old");
    {
        ReplacingFile file(target);
        file.write("new content", 11);
        EXPECT_EQ(readFile(target), "old");
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(readFile(target), "new content");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("sub")), fs::directory_iterator()), 1);
}

// What a killed writer leaves behind goes; files that merely look alike stay.
TEST(ReplacingFileTest, LeftoversOfKilledWritersAreRemovedAndNothingElse) {
    TempDir dir;
    const std::string leftover = dir.file("a/b/.zbt-0123456789abcdef.tmp");
    const std::string top = dir.file(".zbt-fedcba9876543210.tmp");
    const std::vector<std::string> kept = {dir.file("a/.zbt-0123456789ABCDEF.tmp"),
                                           dir.file("a/.zbt-short.tmp"), dir.file("a/b/file.tmp"),
                                           dir.file("a/.zbt-0123456789abcdef.tmp.bak")};
    for (const auto& path : kept) writeText(path, "keep");
    writeText(leftover, "half");
    writeText(top, "half");
    removeReplacingFileLeftovers(dir.path());
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_FALSE(fs::exists(top));
    for (const auto& path : kept) EXPECT_TRUE(fs::exists(path)) << path;
    removeReplacingFileLeftovers(dir.file("missing"));  // no folder: nothing to do
}
