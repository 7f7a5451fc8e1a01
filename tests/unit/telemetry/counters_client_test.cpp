// The counters client against the local platform server: immediate and
// batched posts, the pending set, and posts that fail or stall.
#include "telemetry/counters_client.h"

#include <set>
#include <sstream>
#include <thread>

#include "telemetry_test.h"

namespace {

const char* const kCountersHost = "ephemeralcounters.api.qasite1.zorbit.localhost";

struct CountersClientTest : TelemetryTest {
    CountersClient& client() { return *countersClient; }
};

}  // namespace

TEST_F(CountersClientTest, LogsItsUrlBuiltFromTheBaseHost) {
    EXPECT_EQ(client().url(),
              "http://" + server.apiHost("ephemeralcounters") +
                  "/v1.0/MultiIncrement/?apiKey=3F9C1D27-8B4E-4A6D-B2C5-9E71F0A4D863");
    EXPECT_NE(log().find("CountersClient::CountersClient baseUrl=" + server.baseHost() +
                         ", url=" + client().url()),
              std::string::npos);
}

TEST_F(CountersClientTest, ImmediateCounterIsOneFormPostOfItsName) {
    client().incrementCounter(true, "ZARadadaBootstrapperStarted");
    const auto posts = counterPosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].method, "POST");
    EXPECT_EQ(posts[0].hostName(), kCountersHost);
    EXPECT_EQ(posts[0].body, "counterNamesCsv=ZARadadaBootstrapperStarted");
    EXPECT_EQ(posts[0].header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(posts[0].header("User-Agent"), "Zorbit/WinInet");
    EXPECT_TRUE(CountersClient::pendingCounters().empty());
}

TEST_F(CountersClientTest, BatchedCountersAreKeptOnceAndPostedTogetherInOrder) {
    client().incrementCounter(false, "ZARadadaB");
    client().incrementCounter(false, "ZARadadaA");
    client().incrementCounter(false, "ZARadadaB");
    EXPECT_TRUE(counterPosts().empty());
    EXPECT_EQ(CountersClient::pendingCounters(), (std::set<std::string>{"ZARadadaA", "ZARadadaB"}));

    client().postPending();
    const auto posts = counterPosts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, "counterNamesCsv=ZARadadaA,ZARadadaB");
    EXPECT_TRUE(CountersClient::pendingCounters().empty());
    client().postPending();  // nothing left: no request
    EXPECT_EQ(counterPosts().size(), 1u);
}

TEST_F(CountersClientTest, FailuresAndErrorAnswersAreDroppedWithOneLine) {
    server.addFault(statusOn(500, "ephemeralcounters.*"));
    client().incrementCounter(true, "ZARadadaX");  // an error answer is still an answer
    EXPECT_EQ(counterPosts().size(), 1u);

    CountersClient nowhere(&site.logger(), "setup.example.invalid", "key");
    EXPECT_EQ(nowhere.url(), "");
    nowhere.incrementCounter(true, "ZARadadaY");
    EXPECT_NE(log().find("CountersClient::postCounters failed: "), std::string::npos) << log();

    CountersClient silent(nullptr, "setup.example.invalid", "key");
    silent.incrementCounter(true, "ZARadadaZ");  // no logger: nothing to say, nothing thrown
}

TEST_F(CountersClientTest, StalledServiceCostsOnlyTheTelemetryBound) {
    server.addFault(stallOn("ephemeralcounters.*"));
    setTelemetryTimeoutOverride(300);
    const auto start = SteadyClock::now();
    client().incrementCounter(true, "ZARadadaStalled");
    const long long elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 2000);
    EXPECT_NE(log().find("CountersClient::postCounters failed: "), std::string::npos);
}

TEST_F(CountersClientTest, ManyThreadsRegisterWhileTheSetIsPosted) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            CountersClient quiet(nullptr, "setup.example.invalid", "key");
            for (int i = 0; i < 200; ++i)
                quiet.incrementCounter(false, "C" + std::to_string(t * 1000 + i));
        });
    for (int round = 0; round < 3; ++round) client().postPending();
    for (auto& thread : threads) thread.join();
    client().postPending();
    // Every name reaches exactly one post.
    std::multiset<std::string> posted;
    for (const auto& post : counterPosts()) {
        std::stringstream names(post.body.substr(std::string("counterNamesCsv=").size()));
        for (std::string name; std::getline(names, name, ',');) posted.insert(name);
    }
    EXPECT_EQ(posted.size(), 800u);
    EXPECT_EQ(std::set<std::string>(posted.begin(), posted.end()).size(), 800u);
}

TEST_F(CountersClientTest, RegisterEventPrefixesTheProfileAndFollowsTheSetting) {
    const auto bootstrapper = studioPointedAtServer();
    const auto log = [&] { return readLogFile(bootstrapper->logger().fileName()); };
    bootstrapper->RegisterEvent("BootstrapperStarted");
    EXPECT_EQ(CountersClient::pendingCounters(),
              std::set<std::string>{"ZARadadaBootstrapperStarted"});
    EXPECT_NE(log().find("BootstrapperZARadada::RegisterEvent event=ZARadadaBootstrapperStarted"),
              std::string::npos);
    bootstrapper->settings.countersFireImmediately = true;
    bootstrapper->RegisterEvent("BootstrapperFinishedSuccess");
    ASSERT_EQ(counterPosts().size(), 1u);
    EXPECT_EQ(counterPosts()[0].body, "counterNamesCsv=ZARadadaBootstrapperFinishedSuccess");
    bootstrapper->beforeExit();  // the end of the run posts what is pending
    ASSERT_EQ(counterPosts().size(), 2u);
    EXPECT_EQ(counterPosts()[1].body, "counterNamesCsv=ZARadadaBootstrapperStarted");
}
