#include "install/c_unzipper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "zip_builder.h"

namespace fs = std::filesystem;

namespace {

struct UnzipperTest : ::testing::Test {
    TempDir temp;
    std::string archive = temp.file("package.zip");
    std::string target = temp.file("version/content/");

    void SetUp() override { fs::create_directories(temp.file("version")); }

    // Everything below the temporary folder, except the archive.
    std::vector<std::string> filesBelow(const std::string& root) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (entry.path() != archive) names.push_back(fs::relative(entry.path(), root).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string extractError() {
        try {
            CUnzipper unzipper(archive);
            unzipper.setDeleteBeforeWrite(true);
            unzipper.ExtractAll(target);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no error";
    }
};

int64_t modificationSeconds(const std::string& path) {
    const auto sys = std::chrono::file_clock::to_sys(fs::last_write_time(path));
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

bool hasTemporaryFiles(const std::string& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().filename().string().rfind(".zbt-", 0) == 0) return true;
    return false;
}

}  // namespace

TEST_F(UnzipperTest, ExtractsTreeWithNativePathsTimesAndModes) {
    ScopedEnv zone("TZ", "EST5");
    const std::string big = sampleBytes(3 * 1024 * 1024 + 17, 1);
    writeZip(archive, {{"top.txt", "top"},
                       {"sub\\inner.txt", "inner", 0x50221863, true},
                       {"sub/deeper/big.bin", big},
                       {"empty\\", ""},
                       {"tool", "#!/bin/sh\n", 0x50221863, false, 0100755}});
    CUnzipper unzipper(archive);
    unzipper.setDeleteBeforeWrite(true);
    unzipper.ExtractAll(target);

    EXPECT_EQ(readFile(target + "top.txt"), "top");
    EXPECT_EQ(readFile(target + "sub/inner.txt"), "inner");
    EXPECT_EQ(readFile(target + "sub/deeper/big.bin"), big);
    // A folder entry alone creates nothing.
    EXPECT_FALSE(fs::exists(target + "empty"));
    // 2020-01-02 03:03:06 in a zone five hours behind UTC.
    EXPECT_EQ(modificationSeconds(target + "sub/deeper/big.bin"), 1577952186);
#ifndef _WIN32
    // Windows files have no run right.
    EXPECT_NE(fs::status(target + "tool").permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(fs::status(target + "top.txt").permissions() & fs::perms::owner_exec,
              fs::perms::none);
#endif
    EXPECT_FALSE(hasTemporaryFiles(temp.path()));
}

TEST_F(UnzipperTest, ExtractEntriesWritesOnlyWhatItTakesButChecksEveryName) {
    writeZip(archive, {{"a.txt", "a"}, {"sub\\b.txt", "b"}, {"c.txt", "c"}});
    CUnzipper unzipper(archive);
    unzipper.ExtractEntries(target,
                            [](const ZipEntryInfo& info) { return info.fileName != "c.txt"; });
    EXPECT_EQ(filesBelow(target),
              (std::vector<std::string>{"a.txt", "sub", (fs::path("sub") / "b.txt").string()}));

    writeZip(archive, {{"a.txt", "a"}, {"../outside.txt", "x"}});
    CUnzipper unsafe(archive);
    EXPECT_THROW(unsafe.ExtractEntries(target, [](const ZipEntryInfo&) { return false; }),
                 std::runtime_error);
}

TEST_F(UnzipperTest, ReplacesExistingFilesWithOrWithoutDeleteBeforeWrite) {
    writeZip(archive, {{"a.txt", "new"}});
    for (bool deleteFirst : {true, false}) {
        fs::create_directories(target);
        writeFile(target + "a.txt", "old content, longer than the new one");
        CUnzipper unzipper(archive);
        unzipper.setDeleteBeforeWrite(deleteFirst);
        unzipper.ExtractAll(target);
        EXPECT_EQ(readFile(target + "a.txt"), "new");
    }
}

TEST_F(UnzipperTest, FolderInTheWayIsSkippedOnlyWithDeleteBeforeWrite) {
    writeZip(archive, {{"a.txt", "new"}, {"b.txt", "b"}});
    fs::create_directories(target + "a.txt/child");
    CUnzipper skipping(archive);
    skipping.setDeleteBeforeWrite(true);
    skipping.ExtractAll(target);
    EXPECT_TRUE(fs::is_directory(target + "a.txt"));
    EXPECT_EQ(readFile(target + "b.txt"), "b");

    CUnzipper strict(archive);
    EXPECT_THROW(strict.ExtractAll(target), std::runtime_error);
    EXPECT_FALSE(hasTemporaryFiles(temp.path()));
}

TEST_F(UnzipperTest, NamesLeavingTheTargetFailWithoutWritingOutside) {
    const std::string outside = "zorbit-unzip-evil-" + std::to_string(platform::currentProcessId());
    for (const std::string& name :
         {"..\\..\\" + outside, "sub/../../../" + outside, "/tmp/" + outside, "\\tmp\\" + outside,
          "C:\\" + outside, "c:" + outside}) {
        SCOPED_TRACE(name);
        writeZip(archive, {{"fine.txt", "fine"}, {name, "evil"}});
        const std::string error = extractError();
        EXPECT_NE(error.find("Unsafe entry name"), std::string::npos) << error;
        const std::string content = fs::path("version/content").make_preferred().string();
        EXPECT_EQ(filesBelow(temp.path()),
                  (std::vector<std::string>{
                      "version", content,
                      content + fs::path("/").make_preferred().string() + "fine.txt"}));
        EXPECT_FALSE(fs::exists("/tmp/" + outside));
        fs::remove_all(target);
    }
}

TEST_F(UnzipperTest, EntriesNamingOneThingTwiceFailTheWholePackage) {
    const std::vector<std::pair<std::vector<ZipItem>, std::string>> clashes = {
        {{{"a.txt", "first"}, {"a.txt", "second"}}, "'a.txt' appears twice"},
        {{{"a.txt", "first"}, {"Sub/x.txt", "x"}, {"sub\\.\\X.TXT", "y"}}, "appears twice"},
        {{{"a.txt", "first"}, {"d//f", "1"}, {"d/f", "2"}}, "appears twice"},
        {{{"a.txt", "first"}, {"x/y", "in"}, {"x", "file"}},
         "names a folder of the package as a file"},
        {{{"a.txt", "first"}, {"x", "file"}, {"x/y", "in"}}, "lies inside a file"},
        {{{"a.txt", "first"}, {"x", "file"}, {"X/", ""}},
         "names a file of the package as a folder"},
    };
    for (const auto& [items, clash] : clashes) {
        SCOPED_TRACE(clash);
        writeZip(archive, items);
        const std::string error = extractError();
        EXPECT_NE(error.find(clash), std::string::npos) << error;
        EXPECT_EQ(readFile(target + "a.txt"), "first") << "an earlier entry is never replaced";
        fs::remove_all(target);
    }
    // A folder named again, or by its files, is no clash.
    writeZip(archive, {{"dir/", ""}, {"dir/", ""}, {"dir/f", "f"}, {"dir/g", "g"}});
    EXPECT_EQ(extractError(), "no error");
}

TEST_F(UnzipperTest, DamagedEntriesFailAndLeaveNoFile) {
    const std::string data = sampleBytes(200000, 2);
    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const std::vector<Case> cases = {
        {"flipped deflate byte",
         [&] {
             writeZip(archive, {{"x.bin", data}});
             std::string bytes = readFile(archive);
             bytes[firstEntryDataOffset(bytes) + 2000] ^= 0x5A;
             writeFile(archive, bytes);
         }},
        {"flipped stored byte",
         [&] {
             writeZip(archive, {{"x.bin", data, 0x50221863, true}});
             std::string bytes = readFile(archive);
             bytes[firstEntryDataOffset(bytes) + 2000] ^= 0x01;
             writeFile(archive, bytes);
         }},
        {"stream shorter than its size", [&] { writeZipWithShortStream(archive, "x.bin", data); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        fs::create_directories(target);
        writeFile(target + "x.bin", "previous");
        const std::string error = extractError();
        EXPECT_NE(error.find("Damaged entry 'x.bin'"), std::string::npos) << error;
        // The file of the previous install is untouched, and nothing half-written remains.
        EXPECT_TRUE(readFile(target + "x.bin") == "previous");
        EXPECT_FALSE(hasTemporaryFiles(temp.path()));
    }
}

TEST_F(UnzipperTest, BrokenArchivesFailClearly) {
    writeZip(archive, {{"a.txt", sampleBytes(50000, 3)}});
    std::string bytes = readFile(archive);
    writeFile(archive, bytes.substr(0, bytes.size() - 30));
    EXPECT_EQ(extractError(), "unzOpen failed for " + archive);

    writeFile(archive, "this is not a zip archive\n");
    EXPECT_EQ(extractError(), "unzOpen failed for " + archive);

    // This minizip never finds a directory record at the very start of a file,
    // so an archive without entries already fails to open.
    writeZip(archive, {});
    const std::string empty = extractError();
    EXPECT_TRUE(empty == "file count is 0" || empty == "unzOpen failed for " + archive) << empty;

    fs::remove(archive);
    EXPECT_EQ(extractError(), "unzOpen failed for " + archive);
    EXPECT_FALSE(fs::exists(target + "a.txt"));
}

TEST_F(UnzipperTest, EmptyUnzipperAndMissingFolder) {
    CUnzipper empty;
    ZipEntryInfo info;
    EXPECT_FALSE(empty.ReadEntryInfo(info));
    EXPECT_THROW(empty.ExtractAll(target), std::runtime_error);
    writeZip(archive, {{"a.txt", "a"}});
    CUnzipper unzipper(archive);
    EXPECT_EQ(unzipper.outputFolder(), temp.file("package/"));
    try {
        unzipper.ExtractAll("");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "No destination folder");
    }
}

TEST_F(UnzipperTest, ReadEntryInfoReportsTheDirectory) {
    const std::string data = sampleBytes(1000, 4);
    writeZip(archive, {{"dir\\file.txt", data, 0x50221863}});
    CUnzipper unzipper(archive);
    ZipEntryInfo info;
    ASSERT_TRUE(unzipper.ReadEntryInfo(info));
#ifdef _WIN32
    EXPECT_EQ(info.fileName, "dir\\file.txt");
#else
    EXPECT_EQ(info.fileName, "dir/file.txt");
#endif
    EXPECT_EQ(info.uncompressedSize, data.size());
    EXPECT_EQ(info.dosDateTime, 0x50221863u);
    EXPECT_EQ(info.compressionMethod, 8u);
    EXPECT_FALSE(info.isFolder);
}

TEST_F(UnzipperTest, ExtractCurrentEntryUsesOutputFolderByDefault) {
    writeZip(archive, {{"a.txt", "a"}});
    CUnzipper unzipper(archive);
    unzipper.ExtractCurrentEntry();
    EXPECT_EQ(readFile(temp.file("package/a.txt")), "a");
}

// Two packages unpack the same file into one folder at once (as two texture
// packages do): whichever wins, the file is one package's copy, whole.
TEST_F(UnzipperTest, ConcurrentExtractionsOfOneFileNeverMix) {
    const std::string first = temp.file("first.zip");
    const std::string second = temp.file("second.zip");
    const size_t size = 4 * 1024 * 1024;
    writeZip(first, {{"shared.bin", std::string(size, 'A'), 0x50221863, true}});
    writeZip(second, {{"shared.bin", std::string(size, 'B'), 0x50221863, true}});
    for (int round = 0; round < 4; ++round) {
        auto extract = [&](const std::string& path) {
            CUnzipper unzipper(path);
            unzipper.setDeleteBeforeWrite(true);
            unzipper.ExtractAll(target);
        };
        std::thread one(extract, first);
        std::thread two(extract, second);
        one.join();
        two.join();
        const std::string result = readFile(target + "shared.bin");
        ASSERT_EQ(result.size(), size);
        EXPECT_TRUE(result == std::string(size, 'A') || result == std::string(size, 'B'));
    }
    EXPECT_FALSE(hasTemporaryFiles(temp.path()));
}

TEST_F(UnzipperTest, CreateFolderAnswersWhetherTheFolderExists) {
    EXPECT_FALSE(CUnzipper::CreateFolder(""));
    EXPECT_TRUE(CUnzipper::CreateFolder(temp.file("missing/")));
    EXPECT_TRUE(fs::is_directory(temp.file("missing")));
    EXPECT_TRUE(CUnzipper::CreateFolder(temp.file("missing/")));
    EXPECT_TRUE(CUnzipper::CreateFolder(temp.file("a/b/c")));
    EXPECT_TRUE(fs::is_directory(temp.file("a/b/c")));
    writeFile(temp.file("file"), "x");
    EXPECT_FALSE(CUnzipper::CreateFolder(temp.file("file")));
    EXPECT_FALSE(CUnzipper::CreateFolder(temp.file("file/below")));
}

TEST_F(UnzipperTest, ExtractAllIntoMissingFolderWithTrailingSeparator) {
    writeZip(archive, {{"a.txt", "a"}});
    CUnzipper unzipper(archive);
    unzipper.ExtractAll(temp.file("new/folder/"));
    EXPECT_EQ(readFile(temp.file("new/folder/a.txt")), "a");
}

TEST_F(UnzipperTest, ArchiveAndFolderNamesOutsideEveryCodePageArriveWhole) {
#ifdef _WIN32
    GTEST_SKIP() << "the test's zip writer opens its archive by its ANSI name";
#endif
    const std::string named = temp.file("Stüdio-スタジオ.zip");
    writeZip(named, {{"sub\\a.txt", "a"}});
    CUnzipper unzipper(named);
    unzipper.ExtractAll(temp.file("Stüdio-スタジオ/"));
    EXPECT_EQ(readFile(temp.file("Stüdio-スタジオ/sub/a.txt")), "a");
}

TEST_F(UnzipperTest, SetFileModTimeConvertsLocalTimeAndReportsFailures) {
#ifdef _WIN32
    GTEST_SKIP() << "sets the time zone through TZ again; on Windows the process keeps the zone it "
                    "first read";
#endif
    ScopedEnv zone("TZ", "UTC0");
    const std::string path = temp.file("f");
    writeFile(path, "x");
    CUnzipper::SetFileModTime(path, 0x50221863);
    EXPECT_EQ(modificationSeconds(path), 1577934186);  // 2020-01-02 03:03:06 UTC

    try {
        CUnzipper::SetFileModTime(temp.file("missing"), 0x50221863);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("SetFileModTime couldn't open " + temp.file("missing"), 0),
            0u)
            << e.what();
    }
    // Month 13 is no date.
    EXPECT_THROW(CUnzipper::SetFileModTime(path, (40u << 25 | 13u << 21 | 1u << 16)),
                 std::runtime_error);
}
