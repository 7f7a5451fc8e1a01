// Analytics hits: payloads, the switch, and a real POST to a loopback collector.
#include "telemetry/analytics.h"

#include "telemetry_test.h"

namespace {

struct AnalyticsTest : TelemetryTest {
    void switchOn(const std::string& collectUrl) {
        AnalyticsState state;
        state.enabled = true;
        state.trackingId = "UA-1";
        state.clientId = "c7";
        state.collectUrl = collectUrl;
        analytics_testing::setState(state);
    }
};

}  // namespace

TEST(AnalyticsPayload, EventAndTimingFields) {
    EXPECT_EQ(analyticsEventPayload("UA-1", "c7", "VersionMismatch", "none", 0),
              "v=1&tid=UA-1&cid=c7&t=event&ec=PC&ea=VersionMismatch&ev=0&el=none");
    EXPECT_EQ(analyticsTimingPayload("", "", 1500, "cdn host"),  // nothing is encoded
              "v=1&tid=&cid=&t=timing&utc=PC&utv=ClientInstallTime&utt=1500&utl=cdn host");
}

TEST_F(AnalyticsTest, SwitchedOffHitsReturnFalseAndLogNothing) {
    const std::string before = log();
    EXPECT_FALSE(analyticsEvent(site.logger(), "a", "b", 1));
    EXPECT_FALSE(analyticsTiming(site.logger(), 10, "b"));
    EXPECT_EQ(log(), before);
    EXPECT_TRUE(server.journal().empty());
}

TEST_F(AnalyticsTest, SwitchedOnHitIsPostedAndLogged) {
    switchOn(LocalPlatformServer::url(server.dataHost(), "/collect"));
    EXPECT_TRUE(analyticsEvent(site.logger(), "VersionMismatch", "none", 0));
    const auto hits = requests("/collect");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].method, "POST");
    EXPECT_EQ(hits[0].header("Content-Type"), "*/*");
    EXPECT_EQ(hits[0].body, "v=1&tid=UA-1&cid=c7&t=event&ec=PC&ea=VersionMismatch&ev=0&el=none");
    EXPECT_NE(log().find("Google Analytics: " + hits[0].body + ", status: 1"), std::string::npos);
}

TEST_F(AnalyticsTest, UnreachableCollectorGivesFalseAndAWarning) {
    switchOn("http://127.0.0.1:1/collect");
    EXPECT_FALSE(analyticsTiming(site.logger(), 20, "host"));
    EXPECT_NE(log().find("WARNING: Google Analytics FAILED: v=1&tid=UA-1&cid=c7&t=timing"),
              std::string::npos)
        << log();
}
