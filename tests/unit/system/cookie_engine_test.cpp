#include "system/cookie_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "base/format.h"
#include "platform/named_mutex.h"
#include "support/registry_sandbox.h"
#include "support/test_process.h"

namespace fs = std::filesystem;
using Entries = std::map<std::string, std::string>;

namespace {

struct CookieFile : ::testing::Test {
    RegistrySandbox sandbox;
    ScopedEnv runtime{"XDG_RUNTIME_DIR", sandbox.dir().file("run")};
    const std::string path = sandbox.dir().file("cookies/zbtcsettings.zbt");

    void SetUp() override {
        fs::create_directories(sandbox.dir().file("run"));
        fs::create_directories(sandbox.dir().file("cookies"));
    }
    void write(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
    std::string content() const { return readWholeFile(path); }
};

// A writer in a process of its own that sets count entries named <prefix><n>.
test_process::Child startWriter(const std::string& path, const std::string& prefix, int count) {
    return test_process::Child([&] {
        CookieEngine engine(path);
        int failures = 0;
        for (int i = 0; i < count; ++i)
            if (!setValueWithRetry(engine, format("%s%03d", prefix.c_str(), i),
                                   "{\"os\" : \"Win32\"}"))
                ++failures;
        return failures == 0 ? 0 : 1;
    });
}

}  // namespace

TEST_F(CookieFile, EntriesAreWrittenSortedAndReplaced) {
    CookieEngine engine(path);
    EXPECT_TRUE(fs::exists(path)) << "the constructor makes the file";
    EXPECT_EQ(engine.setValue("zbt_evt_initial_install_start", "{\"os\" : \"Win32\"}"), 0);
    EXPECT_EQ(content(), "zbt_evt_initial_install_start={\"os\" : \"Win32\"}&");
    EXPECT_EQ(engine.setValue("b", "2"), 0);
    EXPECT_EQ(engine.setValue("a", "1"), 0);
    EXPECT_EQ(engine.setValue("b", "two"), 0);
    EXPECT_EQ(content(), "a=1&b=two&zbt_evt_initial_install_start={\"os\" : \"Win32\"}&");
}

TEST_F(CookieFile, LoadingFollowsTheSharedFormat) {
    EXPECT_EQ(CookieEngine::parse("a=b=c&"), (Entries{{"a", "b=c"}}));
    EXPECT_EQ(CookieEngine::parse("x=1&&plain&x=2&tail"),
              (Entries{{"x", "1"}, {"plain", "plain"}}));
    EXPECT_EQ(CookieEngine::parse("a=1&      "), (Entries{{"a", "1"}}));
    EXPECT_EQ(CookieEngine::serialize({{"b", ""}, {"a", "1"}}), "a=1&b=&");
}

TEST_F(CookieFile, LeftoversOfAnEarlierWriterAreDropped) {
    // Another program shortens the file by blanking it: the blanks are no entry.
    write("a=1&zz=long value&          ");
    CookieEngine engine(path);
    EXPECT_EQ(engine.setValue("b", "2"), 0);
    EXPECT_EQ(content(), "a=1&b=2&zz=long value&");
    // Text after the last "&" is lost on the next write.
    write("a=1&cut=of");
    EXPECT_EQ(engine.setValue("b", "2"), 0);
    EXPECT_EQ(content(), "a=1&b=2&");
}

TEST_F(CookieFile, WhatWouldNotReadBackIsRefused) {
    CookieEngine engine(path);
    EXPECT_EQ(engine.setValue("a=b", "1"), -1);
    EXPECT_EQ(engine.setValue("a&b=c", "1"), -1);
    EXPECT_EQ(engine.setValue("a", "1&evil=x"), -1);
    EXPECT_EQ(engine.setValue("", "1"), -1);
    EXPECT_EQ(content(), "");
}

TEST_F(CookieFile, AMissingFileOrPathIsAFailureAndIsNotCreated) {
    CookieEngine engine(path);
    fs::remove(path);
    EXPECT_EQ(engine.setValue("a", "1"), -1);
    EXPECT_FALSE(fs::exists(path));
    CookieEngine none("");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(setValueWithRetry(none, "a", "1"));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500))
        << "ten pauses of 50 ms";
}

TEST_F(CookieFile, TheFileKeepsItsPermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "checks POSIX file modes";
#endif
    write("");
    fs::permissions(path, fs::perms(0640));
    CookieEngine engine(path);
    EXPECT_EQ(engine.setValue("a", "1"), 0);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(sandbox.dir().file("cookies")))
        ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left beside it";
}

TEST_F(CookieFile, AWriterWaitsForTheMutex) {
    CookieEngine engine(path);
    platform::NamedMutex mutex("ZorbitCookieEngineMutex");
    std::atomic<bool> done{false};
    std::thread writer;
    {
        std::promise<void> holding;
        std::thread holder([&] {
            mutex.wait(platform::kInfinite);
            holding.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            EXPECT_FALSE(done);
            mutex.release();
        });
        holding.get_future().wait();
        writer = std::thread([&] {
            EXPECT_EQ(engine.setValue("a", "1"), 0);
            done = true;
        });
        holder.join();
    }
    writer.join();
    EXPECT_EQ(content(), "a=1&");
}

TEST_F(CookieFile, TwoProcessesAtOnceLoseNoEntry) {
#ifdef _WIN32
    GTEST_SKIP() << "runs a part of the test in a forked child; Windows has no fork";
#endif
    CookieEngine engine(path);
    test_process::Child first = startWriter(path, "first", 200);
    test_process::Child second = startWriter(path, "second", 200);
    EXPECT_EQ(first.wait(), 0);
    EXPECT_EQ(second.wait(), 0);
    const Entries entries = CookieEngine::parse(content());
    EXPECT_EQ(entries.size(), 400u);
    EXPECT_EQ(entries.count("first199") + entries.count("second000"), 2u);
}

TEST_F(CookieFile, AReaderNeverSeesABlankOrCutFile) {
#ifdef _WIN32
    GTEST_SKIP() << "runs a part of the test in a forked child; Windows has no fork";
#endif
    CookieEngine engine(path);
    ASSERT_EQ(engine.setValue("kept", std::string(2000, 'k')), 0);
    test_process::Child writer = startWriter(path, "w", 150);
    int reads = 0;
    while (!writer.hasEnded()) {
        const std::string seen = content();
        ++reads;
        ASSERT_FALSE(seen.empty());
        ASSERT_EQ(seen.back(), '&') << "a cut file";
        ASSERT_EQ(CookieEngine::parse(seen).count("kept"), 1u);
    }
    EXPECT_EQ(writer.wait(), 0);
    EXPECT_GT(reads, 0);
}
