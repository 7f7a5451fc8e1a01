// A package's directory read from its tail, the ranges planned from it, and
// the installed files taken over unchanged: the parts of an update that
// fetches only what changed.
#include "install/zip_directory.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "install/range_plan.h"
#include "install/replacing_file.h"
#include "install/unchanged_file.h"
#include "install/update_source.h"
#include "platform/md5.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace fs = std::filesystem;

namespace {

struct ZipDirectoryTest : ::testing::Test {
    TempDir temp;
    std::string archive = temp.file("package.zip");
    std::string big = sampleBytes(200 * 1024, 3);

    std::string package() {
        writeZip(archive, {{"a.txt", "alpha"}, {"sub\\big.bin", big}, {"sub\\", ""}});
        return readFile(archive);
    }
    static std::vector<ZipDirectoryEntry> read(const std::string& zip, size_t tailSize) {
        const std::string tail = zip.substr(zip.size() - std::min(tailSize, zip.size()));
        const ZipDirectoryPlace place = findZipDirectory(tail, zip.size());
        return readZipDirectory(zip.substr(place.offset, place.size), place);
    }
};

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

uint32_t crcOf(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

}  // namespace

TEST_F(ZipDirectoryTest, EntriesComeWithTheirPlaceSizesAndChecksums) {
    const std::string zip = package();
    const auto entries = read(zip, 64 * 1024);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].info.fileName, "a.txt");
    EXPECT_EQ(entries[0].localHeaderOffset, 0u);
    EXPECT_EQ(entries[1].info.fileName, (fs::path("sub") / "big.bin").string());
    EXPECT_EQ(entries[1].info.uncompressedSize, big.size());
    EXPECT_EQ(entries[1].info.crc, crcOf(big));
    EXPECT_EQ(zip.substr(entries[1].localHeaderOffset, 4), std::string("PK\3\4"));
    EXPECT_TRUE(entries[2].info.isFolder);
}

TEST_F(ZipDirectoryTest, TailsThatDoNotAddUpAreRefused) {
    const std::string zip = package();
    // Cut inside the end record, and a record whose comment length runs past the end.
    EXPECT_NE(errorOf([&] { read(zip, 10); }).find("no end record"), std::string::npos);
    std::string longComment = zip;
    longComment[longComment.size() - 2] = 5;
    EXPECT_NE(errorOf([&] { read(longComment, 1024); }).find("no end record"), std::string::npos);
    // The same tail claimed by a longer package: the directory no longer meets the record.
    const std::string tail = zip.substr(zip.size() - 1024);
    EXPECT_NE(errorOf([&] { findZipDirectory(tail, zip.size() + 1); }).find("does not end"),
              std::string::npos);
    // A damaged entry header inside the directory.
    const ZipDirectoryPlace place = findZipDirectory(tail, zip.size());
    std::string directory = zip.substr(place.offset, place.size);
    directory[0] = 'X';
    EXPECT_NE(errorOf([&] { readZipDirectory(directory, place); }).find("header"),
              std::string::npos);
}

TEST(RangePlan, EntriesReachToTheNextOneAndNearRangesMerge) {
    std::vector<ZipDirectoryEntry> entries(4);
    const uint64_t offsets[] = {0, 100, 5000, 5100};
    for (size_t i = 0; i < 4; ++i) entries[i].localHeaderOffset = offsets[i];
    const auto spaced = planRanges(entries, {0, 3}, 9000, 0);
    ASSERT_EQ(spaced.size(), 2u);
    EXPECT_EQ(spaced[0].first, 0u);
    EXPECT_EQ(spaced[0].last, 99u);
    EXPECT_EQ(spaced[1].first, 5100u);
    EXPECT_EQ(spaced[1].last, 8999u);
    // Adjacent ones always merge, those within the gap too.
    EXPECT_EQ(planRanges(entries, {1, 0}, 9000, 0).size(), 1u);
    const auto near = planRanges(entries, {0, 2}, 9000, 4900);
    ASSERT_EQ(near.size(), 1u);
    EXPECT_EQ(near[0].last, 5099u);
}

TEST_F(ZipDirectoryTest, OnlyAnUnchangedFileIsTakenOver) {
    ZipEntryInfo info;
    info.uncompressedSize = big.size();
    info.crc = crcOf(big);
    info.dosDateTime = 0x50221863;
    const std::string installed = temp.file("old/big.bin");
    fs::create_directories(temp.file("old"));
    writeFile(installed, big);
    const std::string digest = platform::md5Hex(big);

    EXPECT_TRUE(takeUnchangedFile(installed, temp.file("new/sub/big.bin"), info, digest));
    EXPECT_EQ(readFile(temp.file("new/sub/big.bin")), big);
    // Linked or copied, a repair of the new version (a rename over its file)
    // leaves the installed one as it was.
    {
        ReplacingFile repair(temp.file("new/sub/big.bin"));
        repair.write("x", 1);
        ASSERT_TRUE(repair.commit());
    }
    EXPECT_EQ(readFile(installed), big);
    // A manifest that says otherwise, a file of the same size with other bytes,
    // and a missing file are never taken, and nothing is written for them.
    EXPECT_FALSE(takeUnchangedFile(installed, temp.file("new/a"), info, platform::md5Hex("x")));
    std::string other = big;
    other[7] ^= 0x20;
    writeFile(installed, other);
    EXPECT_FALSE(takeUnchangedFile(installed, temp.file("new/b"), info, ""));
    EXPECT_FALSE(takeUnchangedFile(temp.file("old/none"), temp.file("new/c"), info, ""));
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(temp.file("new")))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"big.bin", "sub"}));
}

// A file both manifests give the same MD5 is taken on its size and CRC; any
// other listed in the new one must show the new MD5.
TEST(UpdateSourceTest, OnlyAnMd5BothManifestsGiveSparesTheHashing) {
    UpdateSource source;
    source.manifest = {{"same", "aa"}, {"other", "bb"}, {"new", "cc"}};
    source.installedManifest = {{"same", "aa"}, {"other", "b0"}};
    EXPECT_EQ(source.digestToCheck("same"), "");
    EXPECT_EQ(source.digestToCheck("other"), "bb");
    EXPECT_EQ(source.digestToCheck("new"), "cc");
    EXPECT_EQ(source.digestToCheck("unlisted"), "");
}
