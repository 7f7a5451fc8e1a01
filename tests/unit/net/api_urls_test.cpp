// The default resource block's domains: production ".zorbit.localhost:8470",
// staging ".zorbit-staging.localhost:8470", staging-site label ".qasite1".
#include "net/api_urls.h"

#include <gtest/gtest.h>

namespace {
const std::string kKey = "3F9C1D27-8B4E-4A6D-B2C5-9E71F0A4D863";
}

TEST(BuildApiUrl, ProductionSiteGivesTheProductionForm) {
    EXPECT_EQ(
        countersUrl("www.zorbit.localhost:8470", kKey),
        "http://ephemeralcounters.api.zorbit.localhost:8470/v1.0/MultiIncrement/?apiKey=" + kKey);
    EXPECT_EQ(countersUrl("http://www.zorbit.localhost:8470", kKey),
              countersUrl("www.zorbit.localhost:8470", kKey));
    EXPECT_EQ(countersUrl("m.zorbit.localhost:8470", kKey),
              countersUrl("www.zorbit.localhost:8470", kKey));
    EXPECT_EQ(buildApiUrl("www.zorbit.localhost:8470", "", "p", "k", "http"),
              "http://api.zorbit.localhost:8470/p/?apiKey=k");
}

TEST(BuildApiUrl, SiteLabelsKeepTheirDomain) {
    EXPECT_EQ(countersUrl("www.qasite1.zorbit-staging.localhost:8470", kKey),
              "http://ephemeralcounters.api.qasite1.zorbit-staging.localhost:8470"
              "/v1.0/MultiIncrement/?apiKey=" +
                  kKey);
    EXPECT_EQ(clientSettingsUrl("www.qasite1.zorbit.localhost:8470",
                                "WindowsStudioBootstrapperSettings", kKey),
              "http://clientsettings.api.qasite1.zorbit.localhost:8470"
              "/Setting/QuietGet/WindowsStudioBootstrapperSettings/?apiKey=" +
                  kKey);
    EXPECT_EQ(versionCompatibilityUrl("m.qasite1.zorbit.localhost:8470", "key"),
              "https://versioncompatibility.api.qasite1.zorbit.localhost:8470"
              "/GetCurrentClientVersionUpload/?apiKey=key");
    EXPECT_EQ(
        buildApiUrl("gametest.qasite1.zorbit-staging.localhost:8470", "svc", "p", "k", "http"),
        "http://svc.api.qasite1.zorbit-staging.localhost:8470/p/?apiKey=k");
}

TEST(BuildApiUrl, HostsOutsideThePlatformGiveNoUrl) {
    EXPECT_EQ(countersUrl("example.com", kKey), "");
    EXPECT_EQ(countersUrl("setup.zorbit.localhost:8470", kKey), "");
    EXPECT_EQ(versionCompatibilityUrl("", kKey),
              "https://versioncompatibility.api.zorbit.localhost:8470"
              "/GetCurrentClientVersionUpload/?apiKey=" +
                  kKey);
}

TEST(DataHost, TakesThePlaceOfWwwOrM) {
    EXPECT_EQ(dataHost("www.zorbit.localhost:8470"), "data.zorbit.localhost:8470");
    EXPECT_EQ(dataHost("www.qasite1.zorbit.localhost:8470"), "data.qasite1.zorbit.localhost:8470");
    EXPECT_EQ(dataHost("m.zorbit.localhost"), "data.zorbit.localhost");
    EXPECT_EQ(dataHost("setup.zorbit.localhost"), "setup.zorbit.localhost");
    EXPECT_EQ(dataHost(""), "");
}
