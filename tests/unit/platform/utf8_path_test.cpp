#include "platform/utf8_path.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "platform/files.h"
#include "platform/last_error.h"
#include "support/temp_dir.h"

namespace {

// A name outside every single-byte code page.
const std::string kName = "Stüdio-スタジオ.txt";

}  // namespace

TEST(Utf8Path, NamesSurviveTheWayIntoTheFileSystemAndBack) {
    TempDir dir;
    const std::string path = dir.file(kName);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::openFile(path, "wb"),
                                                         std::fclose);
    ASSERT_TRUE(file);
    file.reset();

    ASSERT_TRUE(std::filesystem::exists(platform::fsPath(path)));
    std::string listed;
    for (const auto& entry : std::filesystem::directory_iterator(platform::fsPath(dir.path())))
        listed = platform::utf8Path(entry.path().filename());
    EXPECT_EQ(listed, kName);
}

TEST(Utf8Path, AFileThatCannotBeOpenedLeavesItsReasonAsTheLastError) {
    TempDir dir;
    platform::setLastError(platform::kErrorSuccess);
    EXPECT_EQ(platform::openFile(dir.file(kName), "rb"), nullptr);
    EXPECT_EQ(platform::getLastError(), platform::kErrorFileNotFound);
}
