// The Studio stand-in keeps the Studio's side of the launch contract: it
// records its arguments, signals the started event, waits for the ready
// event, and closes (or refuses to) as configured.
#include "support/studio_standin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/event.h"
#include "platform/process.h"
#include "support/local_platform_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_process.h"

namespace {

namespace fs = std::filesystem;

std::string uniqueName(const std::string& what) {
    static int counter = 0;
    return "zorbit-test/" + what + "/" + std::to_string(platform::currentProcessId()) + "-" +
           std::to_string(++counter);
}

bool eventually(const std::function<bool()>& condition, int timeoutMs = 5000) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

bool hasEvent(const std::string& executable, const std::string& text) {
    for (const std::string& line : readStandinEvents(executable))
        if (line.find(text) != std::string::npos) return true;
    return false;
}

struct StudioStandinTest : ::testing::Test {
    TempDir temp;
    std::string executable = temp.file("ZorbitStudioBeta.exe");
    ScopedEnv tmpdir{"TMPDIR", temp.path()};
    platform::ProcessInfo process;
    bool running = false;

    StudioStandinTest() { fs::copy_file(LocalPlatformServer::standinBinary(), executable); }
    ~StudioStandinTest() override {
        if (running) {
            test_process::killProcess(process.processId);
            platform::waitForProcess(process, 5000);
        }
    }

    void configure(const std::string& lines) { std::ofstream(executable + ".conf") << lines; }

    void start(std::vector<std::string> args) {
        args.insert(args.begin(), executable);
        ASSERT_TRUE(platform::startProcess(platform::joinCommandLine(args), process));
        running = true;
    }

    // Exit code after SIGTERM, or -1 when it did not end in time.
    int terminate(uint32_t timeoutMs = 5000) {
        test_process::askToEnd(process.processId);
        int exitCode = -1;
        if (!platform::waitForProcess(process, timeoutMs, &exitCode)) return -1;
        running = false;
        return exitCode;
    }
};

TEST_F(StudioStandinTest, SignalsStartedWaitsForReadyAndClosesOnTerm) {
    const std::string started = uniqueName("started");
    const std::string ready = uniqueName("ready");
    auto startedEvent = platform::Event::createNamed(started, true, false);
    auto readyEvent = platform::Event::createNamed(ready, false, false);
    ASSERT_TRUE(startedEvent && readyEvent);
    const std::vector<std::string> args = {"-browser",         "-startEvent", started, "-url",
                                           "http://x/y?a=1 b", "-readyEvent", ready,   "-avatar"};
    start(args);
    ASSERT_EQ(startedEvent->wait(10000), platform::WaitResult::Signaled);

    const auto starts = readStandinStarts(executable);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].pid, process.processId);
    EXPECT_EQ(starts[0].args, args);

    EXPECT_FALSE(hasEvent(executable, "readyEvent"));
    readyEvent->set();
    EXPECT_TRUE(eventually([&] { return hasEvent(executable, "readyEvent signalled"); }));
    EXPECT_EQ(terminate(), 0);
    EXPECT_TRUE(hasEvent(executable, "closed"));
}

TEST_F(StudioStandinTest, WritesAnApplicationLogInTheTemporaryFolder) {
    configure("ZORBIT_STANDIN_LIFETIME_MS=0\n");
    start({"-ide", "-fileLocation", "/tmp/a place.zbtl"});
    int exitCode = -1;
    ASSERT_TRUE(platform::waitForProcess(process, 5000, &exitCode));
    running = false;
    EXPECT_EQ(exitCode, 0);
    std::vector<fs::path> logs;
    for (const auto& entry : fs::directory_iterator(temp.path()))
        if (entry.path().extension() == ".zbal") logs.push_back(entry.path());
    ASSERT_EQ(logs.size(), 1u);
    std::ifstream in(logs[0]);
    std::string first, second, more;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first.rfind("Info: ", 0), 0u);
    EXPECT_EQ(second, "Info: arguments: -ide -fileLocation /tmp/a place.zbtl");
    EXPECT_FALSE(std::getline(in, more));
    EXPECT_EQ(fs::status(logs[0]).permissions() & fs::perms::group_read, fs::perms::none);
}

TEST_F(StudioStandinTest, EachStartAppendsARecord) {
    configure("ZORBIT_STANDIN_LIFETIME_MS=0\n");
    for (const char* arg : {"first", "second"}) {
        start({arg});
        ASSERT_TRUE(platform::waitForProcess(process, 5000));
        running = false;
    }
    const auto starts = readStandinStarts(executable);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].args, std::vector<std::string>{"first"});
    EXPECT_EQ(starts[1].args, std::vector<std::string>{"second"});
}

TEST_F(StudioStandinTest, CanBeToldNotToSignalAndToGiveUpWaiting) {
    const std::string started = uniqueName("started");
    const std::string ready = uniqueName("ready");
    auto startedEvent = platform::Event::createNamed(started, true, false);
    auto readyEvent = platform::Event::createNamed(ready, false, false);
    configure("ZORBIT_STANDIN_NO_START_SIGNAL=1\nZORBIT_STANDIN_READY_TIMEOUT_MS=100\n");
    start({"-startEvent", started, "-readyEvent", ready});
    EXPECT_TRUE(eventually([&] { return hasEvent(executable, "readyEvent timed out"); }));
    EXPECT_EQ(startedEvent->wait(0), platform::WaitResult::Timeout);
    EXPECT_EQ(terminate(), 0);
}

TEST_F(StudioStandinTest, ReportsEventsThatDoNotExist) {
    start({"-startEvent", uniqueName("nobody"), "-readyEvent", uniqueName("nobody")});
    EXPECT_TRUE(eventually([&] { return hasEvent(executable, "readyEvent missing"); }));
    EXPECT_TRUE(hasEvent(executable, "startEvent missing"));
    EXPECT_EQ(terminate(), 0);
}

TEST_F(StudioStandinTest, SlowToClose) {
    ScopedEnv delay("ZORBIT_STANDIN_CLOSE_DELAY_MS", "300");
    ScopedEnv code("ZORBIT_STANDIN_EXIT_CODE", "3");
    start({});
    ASSERT_TRUE(eventually([&] { return hasEvent(executable, "started"); }));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(terminate(), 3);
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(300));
}

TEST_F(StudioStandinTest, RefusesToClose) {
    // The environment wins over the file.
    configure("ZORBIT_STANDIN_IGNORE_TERM=0\n");
    ScopedEnv refuse("ZORBIT_STANDIN_IGNORE_TERM", "1");
    start({});
    ASSERT_TRUE(eventually([&] { return hasEvent(executable, "started"); }));
    EXPECT_EQ(terminate(300), -1);
    EXPECT_TRUE(hasEvent(executable, "close refused"));
}

}  // namespace
