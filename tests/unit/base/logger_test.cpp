#include "base/logger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "base/format.h"
#include "platform/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_process.h"

namespace {

struct LoggerTest : ::testing::Test {
    TempDir dir;
    ScopedEnv tmp{"TMPDIR", dir.path()};
};

std::vector<std::string> lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

}  // namespace

TEST(LogTimeStamp, MonthFirstWithUnpaddedMilliseconds) {
    // 2015-01-05 13:04:09 UTC
    const int64_t base = 1420463049000;
    EXPECT_EQ(simple_logger::timeStamp(base + 7), "01-05-2015 13:04:09.7 ");
    EXPECT_EQ(simple_logger::timeStamp(base + 0), "01-05-2015 13:04:09.0 ");
    EXPECT_EQ(simple_logger::timeStamp(base + 45), "01-05-2015 13:04:09.45 ");
    EXPECT_EQ(simple_logger::timeStamp(base + 999), "01-05-2015 13:04:09.999 ");
}

TEST_F(LoggerTest, FileNameIsUniqueOwnerOnlyAndInTheTemporaryFolder) {
    simple_logger first;
    simple_logger second;
    const std::filesystem::path name(first.fileName());
    EXPECT_EQ(name.parent_path(), std::filesystem::path(dir.path())) << first.fileName();
    EXPECT_TRUE(std::regex_match(name.filename().string(), std::regex("ZBT-[0-9A-F]{8}\\.log")))
        << first.fileName();
    EXPECT_NE(first.fileName(), second.fileName());
    const auto status = std::filesystem::status(first.fileName());
    ASSERT_TRUE(std::filesystem::exists(status));
#ifndef _WIN32
    EXPECT_EQ(status.permissions() & std::filesystem::perms::all, std::filesystem::perms(0600));
#endif
    EXPECT_TRUE(std::regex_match(simple_logger::getTempFileName("manifest"),
                                 std::regex(".*[/\\\\]ZBT-[0-9A-F]{8}\\.manifest")));
}

TEST_F(LoggerTest, LinesAreStampedAndReadableWhileOpen) {
    simple_logger log;
    log.log("plain text without arguments");
    log.log("value %d and %s", 42, "wide text");
    const auto written = lines(log.fileName());
    ASSERT_EQ(written.size(), 2u);
    const std::regex stamp("\\d{2}-\\d{2}-\\d{4} \\d{2}:\\d{2}:\\d{2}\\.\\d{1,3} (.*)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(written[0], match, stamp));
    EXPECT_EQ(match[1], "plain text without arguments");
    ASSERT_TRUE(std::regex_match(written[1], match, stamp));
    EXPECT_EQ(match[1], "value 42 and wide text");
}

TEST_F(LoggerTest, LongTextsReachTheFileWhole) {
    simple_logger log;
    const std::string exactly160(160, 'a');
    const std::string over160(161, 'b');
    log.log("%s", exactly160.c_str());
    log.log("%s", over160.c_str());
    const auto written = lines(log.fileName());
    ASSERT_EQ(written.size(), 2u);
    EXPECT_NE(written[0].find(exactly160), std::string::npos);
    EXPECT_EQ(written[0].substr(written[0].size() - 160), exactly160);
    EXPECT_EQ(written[1].substr(written[1].size() - 161), over160);
}

TEST(Format, CutsAtTheLimit) {
    EXPECT_EQ(format("%s-%d", "a", 5), "a-5");
    EXPECT_EQ(format("no arguments"), "no arguments");
    const std::string huge(kMaxFormattedLength + 10, 'x');
    EXPECT_EQ(format("%s", huge.c_str()).size(), kMaxFormattedLength);
}

TEST_F(LoggerTest, LinesOfSeveralThreadsNeverMix) {
    simple_logger log;
    constexpr int kThreads = 6;
    constexpr int kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            const std::string body(100 + t, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i) log.log("%d %s", t, body.c_str());
        });
    }
    for (auto& thread : threads) thread.join();
    const auto written = lines(log.fileName());
    ASSERT_EQ(written.size(), static_cast<size_t>(kThreads * kLines));
    const std::regex line("\\S+ \\S+ (\\d) ([a-z]+)");
    for (const auto& text : written) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, line)) << text;
        const int t = std::stoi(match[1]);
        EXPECT_EQ(match[2], std::string(100 + t, static_cast<char>('a' + t)));
    }
}

TEST_F(LoggerTest, ASharedTemporaryFolderGetsAFolderOfOurOwn) {
#ifdef _WIN32
    GTEST_SKIP() << "makes symbolic links, which need a privilege on Windows (Wine makes none)";
#endif
    std::filesystem::permissions(dir.path(), std::filesystem::perms(01777));
    const std::string own = dir.file("zorbit-" + std::to_string(test_process::currentUserId()));
    simple_logger log;
    EXPECT_EQ(log.fileName().rfind(own + "/", 0), 0u) << log.fileName();
    const auto status = std::filesystem::symlink_status(own);
    ASSERT_TRUE(std::filesystem::exists(status));
    EXPECT_EQ(status.permissions() & std::filesystem::perms::all, std::filesystem::perms(0700));

    // A name planted there first is not ours: the cache folder serves instead.
    TempDir elsewhere;
    ScopedEnv cache("XDG_CACHE_HOME", elsewhere.path());
    std::filesystem::remove_all(own);
    std::filesystem::create_directory_symlink(elsewhere.path(), own);
    EXPECT_EQ(simple_logger().fileName().rfind(elsewhere.path() + "/zorbit/tmp/", 0), 0u);
    // Nor is a file planted under a log's name written through.
    const std::string planted = dir.file("planted");
    std::filesystem::create_symlink(dir.file("target"), planted);
    EXPECT_EQ(platform::openOwnerOnlyFile(planted, "w"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir.file("target")));
}

TEST(LoggerWithoutTemporaryFolder, ConstructionFails) {
    ScopedEnv tmp("TMPDIR", test_process::uncreatableFolder("x"));
    ScopedEnv cache("XDG_CACHE_HOME", test_process::uncreatableFolder("y"));
    EXPECT_THROW(simple_logger log, std::runtime_error);
}
