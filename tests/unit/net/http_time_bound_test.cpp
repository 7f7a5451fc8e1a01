// The per-thread time bound of the HTTP operations against a silent server.
#include <thread>

#include "net_test.h"
#include "support/silent_tcp_server.h"

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct HttpTimeBoundTest : NetTest {
    SilentTcpServer silent;
};

}  // namespace

TEST_F(HttpTimeBoundTest, BoundEndsEveryAttemptOfAStalledGet) {
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
