// Series texts, value texts and the writer's configuration.
#include "telemetry/metrics_series.h"

#include <gtest/gtest.h>

namespace {

struct MetricsSeriesTest : ::testing::Test {
    MetricsSeriesTest() {
        configureMetricsWriter("ZorbitStudioLauncherBeta.exe", "https://metrics:8087", "Default",
                               "zor", "quickmarch");
        setMetricsVersion("1.6.3.173");
        setMetricsLocation("");
    }
};

}  // namespace

TEST_F(MetricsSeriesTest, ValueTextsByKind) {
    EXPECT_EQ(seriesValueText(nullptr), "null");
    EXPECT_EQ(seriesValueText(false), "false");
    EXPECT_EQ(seriesValueText(true), "true");
    EXPECT_EQ(seriesValueText(std::string("Success")), "\"Success\"");
    EXPECT_EQ(seriesValueText(std::string("say \"hi\"")), "\"say \"hi\"\"");  // nothing escaped
    EXPECT_EQ(seriesValueText(int32_t{-7}), "-7");
    EXPECT_EQ(seriesValueText(uint32_t{4000000000u}), "4000000000");
    EXPECT_EQ(seriesValueText(int64_t{-9000000000}), "-9000000000");
    EXPECT_EQ(seriesValueText(uint64_t{18000000000000000000u}), "18000000000000000000");
    EXPECT_EQ(seriesValueText(1.5), "1.5");
    EXPECT_EQ(seriesValueText(2.0), "2");
    EXPECT_EQ(seriesValueText(12345678.9), "1.23457e+07");  // the stream's default format
}

TEST_F(MetricsSeriesTest, SeriesWithoutValuesHasOnlyTheFixedColumns) {
    EXPECT_EQ(buildSeries("Empty", {}),
              "[{\"name\":\"Empty\",\"columns\":[\"reporter\",\"version\",\"location\"],"
              "\"points\":[[\"ZorbitStudioLauncherBeta.exe\",\"1.6.3.173\",\"\"]]}]");
}

TEST_F(MetricsSeriesTest, ValuesFollowTheFixedColumnsInNameOrder) {
    SeriesValues values;
    addSeriesValue(values, "Result", std::string("Success"));
    addSeriesValue(values, "Duration", 2.5);
    addSeriesValue(values, "Category", std::string("BootstrapperDetailed"));
    addSeriesValue(values, "Duration", 3.25);  // replaces the earlier one
    EXPECT_EQ(
        buildSeries("BootstrapperDuration", values),
        "[{\"name\":\"BootstrapperDuration\",\"columns\":[\"reporter\",\"version\",\"location\","
        "\"Category\",\"Duration\",\"Result\"],\"points\":[[\"ZorbitStudioLauncherBeta.exe\","
        "\"1.6.3.173\",\"\",\"BootstrapperDetailed\",3.25,\"Success\"]]}]");
}

TEST_F(MetricsSeriesTest, WriterMakesItsEndpointOnlyFromCompleteParts) {
    MetricsWriterConfig config = metricsWriterConfig();
    EXPECT_TRUE(config.configured);
    EXPECT_EQ(config.seriesPath, "/db/Default/series?u=zor&p=quickmarch");
    EXPECT_EQ(config.endpoint, "https://metrics:8087/db/Default/series?u=zor&p=quickmarch");

    configureMetricsWriter("r", "https://metrics:8087", "Default", "", "quickmarch");
    config = metricsWriterConfig();
    EXPECT_EQ(config.seriesPath, "");
    EXPECT_EQ(config.endpoint, "");
    configureMetricsWriter("r", "", "Default", "zor", "quickmarch");
    config = metricsWriterConfig();
    EXPECT_EQ(config.seriesPath, "/db/Default/series?u=zor&p=quickmarch");
    EXPECT_EQ(config.endpoint, "");
}
