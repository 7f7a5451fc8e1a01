#include "telemetry/report_vocabulary.h"

#include <gtest/gtest.h>

using Categories = std::vector<std::string>;

TEST(RunDurationBucket, EdgesBelongToTheLongerBucket) {
    EXPECT_EQ(runDurationBucket(0), "0_5");
    EXPECT_EQ(runDurationBucket(4999), "0_5");
    EXPECT_EQ(runDurationBucket(5000), "5_15");
    EXPECT_EQ(runDurationBucket(14999), "5_15");
    EXPECT_EQ(runDurationBucket(15000), "15_INF");
}

TEST(FinalReportCategories, PlainRunReportsOnlyTheDetailedCategory) {
    EXPECT_EQ(finalReportCategories({}), Categories{"BootstrapperDetailed"});
}

TEST(FinalReportCategories, InstallCategoryBySelfUpdateThenUpdateThenInstall) {
    FinalReportFlags flags;
    flags.installOption = true;
    EXPECT_EQ(finalReportCategories(flags).front(), "BootstrapperDetailedUnknownInstallOrUpdate");
    flags.installStarted = true;
    EXPECT_EQ(finalReportCategories(flags).front(), "BootstrapperDetailedInstall");
    flags.updateStarted = true;
    EXPECT_EQ(finalReportCategories(flags).front(), "BootstrapperDetailedUpdate");
    flags.selfUpdated = true;
    EXPECT_EQ(finalReportCategories(flags).front(), "BootstrapperUpdateSelf");

    FinalReportFlags browserUpdate;  // an update without "-install" is still reported
    browserUpdate.updateStarted = true;
    EXPECT_EQ(finalReportCategories(browserUpdate),
              (Categories{"BootstrapperDetailedUpdate", "BootstrapperDetailed"}));
}

TEST(FinalReportCategories, AllCategoriesInTheirOrder) {
    FinalReportFlags flags;
    flags.installOption = true;
    flags.installStarted = true;
    flags.failIfNotUpToDate = true;
    flags.prePlay = true;
    flags.playMode = true;
    EXPECT_EQ(
        finalReportCategories(flags),
        (Categories{"BootstrapperDetailedInstall", "BootstrapperFailIfNotUpToDateZeroExit",
                    "BootstrapperPrePlay", "BootstrapperDetailedPlay", "BootstrapperDetailed"}));
    flags.nonZeroExit = true;
    EXPECT_EQ(finalReportCategories(flags)[1], "BootstrapperFailIfNotUpToDateNonZeroExit");
}
