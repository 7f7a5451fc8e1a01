#include "platform/resource_block.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/resource_strings.h"
#include "platform/process.h"
#include "support/temp_dir.h"

TEST(ResourceTexts, FormatAndParseRoundTrip) {
    const platform::ResourceTexts texts{
        {"FileVersion", "1, 6, 3, 173"}, {"104", "a.b:1"}, {"105", ""}};
    const auto area = platform::formatResourceTexts(texts);
    ASSERT_TRUE(area);
    EXPECT_EQ(platform::parseResourceTexts(area->data(), area->size()), texts);
    EXPECT_FALSE(platform::formatResourceTexts({{"x", "line\nbreak"}}));
    EXPECT_FALSE(platform::formatResourceTexts({{"x", std::string(5000, 'a')}}));
}

TEST(ResourceBlock, OwnBlockHoldsTheVersionAndHosts) {
    EXPECT_EQ(moduleFileVersion(), "1.6.3.173");
    EXPECT_EQ(resourceString(resource_id::kFileVersion), "1, 6, 3, 173");
    EXPECT_FALSE(resourceString(resource_id::kInstallHost).empty());
    EXPECT_FALSE(resourceString(resource_id::kBaseHost).empty());
    EXPECT_EQ(resourceString("no such text"), "");
}

TEST(ResourceBlock, AStampedCopyReadsBackTheNewTexts) {
    TempDir dir;
    const std::string copy = dir.file("copy");
    std::filesystem::copy_file(platform::executablePath(), copy);
    auto texts = platform::readResourceBlock(copy);
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->at("FileVersion"), "1, 6, 3, 173");
    (*texts)["FileVersion"] = "1, 6, 4, 1";
    (*texts)["104"] = "setup.zorbit.localhost:1234";
    platform::stampResourceBlock(copy, *texts);
    const auto stamped = platform::readResourceBlock(copy);
    ASSERT_TRUE(stamped);
    EXPECT_EQ(stamped->at("FileVersion"), "1, 6, 4, 1");
    EXPECT_EQ(stamped->at("104"), "setup.zorbit.localhost:1234");
    EXPECT_EQ(std::filesystem::file_size(copy),
              std::filesystem::file_size(platform::executablePath()));
}

TEST(ResourceBlock, AFileWithoutABlockHasNone) {
    TempDir dir;
    std::ofstream(dir.file("plain")) << "nothing here";
    EXPECT_FALSE(platform::readResourceBlock(dir.file("plain")));
    EXPECT_FALSE(platform::readResourceBlock(dir.file("missing")));
    EXPECT_THROW(platform::stampResourceBlock(dir.file("plain"), {}), std::runtime_error);
}

TEST(DottedVersion, CutsAtBlanksCommasAndPoints) {
    EXPECT_EQ(dottedVersion("1, 6, 3, 173"), "1.6.3.173");
    EXPECT_EQ(dottedVersion(" 2,,0 . 1 "), "2.0.1");
    EXPECT_EQ(dottedVersion(""), "");
}
