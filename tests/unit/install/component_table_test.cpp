#include "install/component_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/known_folders.h"

namespace {

std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::kPathSeparator);
    return path;
}

}  // namespace

TEST(ComponentTable, SixteenPackagesInStartOrderWithNativeFolders) {
    const auto& table = studioComponentTable();
    ASSERT_EQ(table.size(), 16u);
    EXPECT_EQ(table.front().package, "redist.zip");
    EXPECT_EQ(table.front().folder, "");
    EXPECT_EQ(table[8].package, "content-textures.zip");
    EXPECT_EQ(table[9].package, "content-textures2.zip");
    EXPECT_EQ(table[8].folder, native("content/textures/"));
    EXPECT_EQ(table[9].folder, native("content/textures/"));
    EXPECT_EQ(table[10].folder, native("PlatformContent/pc/textures/"));
    EXPECT_EQ(table.back().package, "imageformats.zip");
    std::set<std::string> names;
    for (const auto& row : table) names.insert(row.package);
    EXPECT_EQ(names.size(), 16u);
}

// Every package folder is made before the deployment, each after its parent.
TEST(ComponentTable, FoldersCoverEveryPackageParentsFirst) {
    const auto& folders = studioComponentFolders();
    ASSERT_EQ(folders.size(), 15u);
    std::set<std::string> made;
    for (const std::string& folder : folders) {
        const size_t cut = folder.find_last_of('/');
        if (cut != std::string::npos) {
            EXPECT_TRUE(made.count(folder.substr(0, cut))) << folder;
        }
        made.insert(folder);
    }
    for (const auto& row : studioComponentTable())
        if (!row.folder.empty()) {
            EXPECT_TRUE(made.count(row.folder.substr(0, row.folder.size() - 1))) << row.package;
        }
}
