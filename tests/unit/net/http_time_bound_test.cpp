// The per-thread time bound of the HTTP operations against a silent server,
// and the speed floor against a server that drips its answer.
#include <fstream>
#include <thread>

#include "net/speed_floor.h"
#include "net_test.h"
#include "support/local_platform_server.h"
#include "support/silent_tcp_server.h"
#include "support/test_process.h"

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct HttpTimeBoundTest : NetTest {
    SilentTcpServer silent;
};

// A platform server whose install host answers "/drip.bin" at a few bytes per second.
struct DrippingServerTest : NetTest {
    LocalPlatformServer platform{unpublished()};

    DrippingServerTest() {
        // Without the floor this answer would still arrive, after ten seconds.
        std::ofstream(platform.root() + "/drip.bin", std::ios::binary) << std::string(40, 'd');
        zorbit::server::Fault drip;
        drip.path = "/drip.bin";
        drip.bytesPerSecond = 4;
        platform.addFault(drip);
        http_testing::setStallTimeoutSeconds(1);
    }

    static LocalPlatformServerOptions unpublished() {
        LocalPlatformServerOptions options;
        options.publish = false;
        return options;
    }
};

}  // namespace

TEST_F(HttpTimeBoundTest, BoundEndsEveryAttemptOfAStalledGet) {
    if (test_process::runningUnderWine())
        GTEST_SKIP() << "WinINet under Wine applies no time-out to a TLS handshake: the https "
                        "attempt at a silent server never ends";
    const auto start = Clock::now();
    {
        HttpTimeBound bound(std::chrono::milliseconds(300));
        std::string etag;
        std::stringstream out;
        // https, http and the second try: all within the one bound.
        EXPECT_THROW(httpGet(site, etag, out, false, silent.host(), "/x", noProgress()),
                     std::runtime_error);
    }
    const long long elapsed = msSince(start);
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 1500);
}

TEST_F(HttpTimeBoundTest, NestedBoundsKeepTheEarlierDeadlineAndEndWithTheirScope) {
    const auto start = Clock::now();
    {
        HttpTimeBound outer(std::chrono::milliseconds(200));
        HttpTimeBound inner(std::chrono::milliseconds(5000));
        EXPECT_THROW(httpGetString("http://" + silent.host() + "/"), std::runtime_error);
    }
    EXPECT_LT(msSince(start), 1500);

    // Gone with its scope, and never seen by other threads.
    HttpTimeBound other(std::chrono::milliseconds(100));
    std::thread([&] {
        http_testing::setStallTimeoutSeconds(1);
        const auto threadStart = Clock::now();
        EXPECT_THROW(httpGetString("http://" + silent.host() + "/"), std::runtime_error);
        EXPECT_GE(msSince(threadStart), 900);
    }).join();
}

TEST_F(DrippingServerTest, DripEndsInTheRetryThenAnErrorForDownloadsAndServiceRequests) {
    const auto start = Clock::now();
    std::string etag;
    std::stringstream out;
    EXPECT_THROW(httpGet(site, etag, out, true, platform.installHost(), "/drip.bin", noProgress()),
                 std::runtime_error);
    EXPECT_EQ(site.logCount("WARNING: First HTTP GET error for /drip.bin"), 1);
    EXPECT_EQ(platform.requestsFor("/drip.bin").size(), 2u);  // over http, twice
    EXPECT_LT(msSince(start), 7000);

    const auto service = Clock::now();
    EXPECT_THROW(httpGetString(LocalPlatformServer::url(platform.installHost(), "/drip.bin")),
                 std::runtime_error);
    EXPECT_LT(msSince(service), 3500);
}

// The floor is a window's total: bursts that keep a few-second speed sample
// up now and then still fall below it, while a late start does not.
TEST(SpeedFloor, WholeWindowsMustAverageTheFloor) {
    using std::chrono::seconds;
    const auto t0 = SpeedFloor::Clock::now();
    SpeedFloor bursts(1024, seconds(30));
    EXPECT_TRUE(bursts.holds(t0, 0));
    EXPECT_TRUE(bursts.holds(t0 + seconds(1), 12000));   // a burst
    EXPECT_TRUE(bursts.holds(t0 + seconds(25), 12000));  // silence
    EXPECT_TRUE(bursts.holds(t0 + seconds(26), 24000));  // another burst
    EXPECT_FALSE(bursts.holds(t0 + seconds(30), 24000)) << "800 bytes a second over the window";

    SpeedFloor lateStart(1024, seconds(30));
    EXPECT_TRUE(lateStart.holds(t0, 0));
    EXPECT_TRUE(lateStart.holds(t0 + seconds(29), 0));
    EXPECT_TRUE(lateStart.holds(t0 + seconds(30), 40000));
    EXPECT_TRUE(lateStart.holds(t0 + seconds(59), 40000 + 30 * 1024));
    EXPECT_TRUE(lateStart.holds(t0 + seconds(60), 40000 + 30 * 1024));
    EXPECT_FALSE(lateStart.holds(t0 + seconds(90), 40000 + 30 * 1024 + 100));
}
