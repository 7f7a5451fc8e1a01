#include "install/deployment_wait.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/errors.h"
#include "install_env.h"
#include "support/test_site.h"

namespace {

struct DeploymentWaitTest : ::testing::Test {
    InstallEnv env;
    TestSite site;
    std::vector<std::shared_ptr<Progress>> records;
    std::vector<bool> marquee;
    int passes = 0;

    void makeRecords(int count) {
        for (int i = 0; i < count; ++i) records.push_back(std::make_shared<Progress>());
    }
    DeploymentWaitHooks hooks(std::function<void(int)> onPass = {}) {
        DeploymentWaitHooks result;
        result.reportProgress = [this](int64_t done, int64_t total) {
            site.reportProgress(done, total);
        };
        result.setMarquee = [this](bool on) { marquee.push_back(on); };
        result.checkCancel = [this, onPass] {
            ++passes;
            if (onPass) onPass(passes);
            site.checkCancel();
        };
        result.pollInterval = std::chrono::milliseconds(0);
        return result;
    }
};

}  // namespace

TEST_F(DeploymentWaitTest, CombinesOnlyWhenEveryLengthIsKnown) {
    makeRecords(3);
    records[0]->total = 100;
    records[0]->done = 40;
    records[1]->total = 50;
    records[1]->done = 50;
    records[2]->done = 7;
    CombinedProgress combined = combineProgress(records);
    EXPECT_FALSE(combined.allTotalsKnown());
    EXPECT_EQ(combined.withTotal, 2u);
    EXPECT_EQ(combined.total, 150);
    EXPECT_EQ(combined.done, 97);
    records[2]->total = 10;
    records[0]->finished = true;
    combined = combineProgress(records);
    EXPECT_TRUE(combined.allTotalsKnown());
    EXPECT_FALSE(combined.allFinished());
    EXPECT_EQ(combined.finished, 1u);
}

TEST(MarqueeTimer, LeavesMarqueeAfterOneSecondOfPasses) {
    MarqueeTimer timer;
    for (int pass = 0; pass < 100; ++pass) EXPECT_FALSE(timer.pass()) << pass;
    EXPECT_TRUE(timer.pass());
    EXPECT_TRUE(timer.pass());
}

// Packages served from the cache announce no length: the bar never moves, and
// after a second it leaves marquee mode where it was.
TEST_F(DeploymentWaitTest, UnknownLengthsNeverMoveTheBar) {
    makeRecords(2);
    records[0]->total = 10;
    waitForPackages(records, hooks([this](int pass) {
                        if (pass == 150)
                            for (auto& r : records) r->finished = true;
                    }));
    EXPECT_TRUE(site.reportedProgress().empty());
    EXPECT_EQ(marquee.size(), 50u);
    EXPECT_EQ(marquee.front(), false);
}

TEST_F(DeploymentWaitTest, ReportsTheSumsAndEndsWhenAllFinish) {
    makeRecords(2);
    std::thread worker([this] {
        for (auto& r : records) {
            r->total = 100;
            r->done = 100;
        }
        for (auto& r : records) r->finished = true;
    });
    waitForPackages(records, hooks());
    worker.join();
    for (const auto& [done, total] : site.reportedProgress()) {
        EXPECT_LE(done, total);
        EXPECT_EQ(total, 200);
    }
}

TEST_F(DeploymentWaitTest, CancellationEndsTheWait) {
    makeRecords(1);
    site.cancelled = true;
    EXPECT_THROW(waitForPackages(records, hooks()), cancel_exception);
    EXPECT_EQ(passes, 1);
}

TEST_F(DeploymentWaitTest, ProgressUpdateChecksCancelFirst) {
    Progress progress;
    progress.update(site, 10, 100);
    progress.update(site, 5, 100);
    EXPECT_EQ(progress.done, 15);
    EXPECT_EQ(progress.total, 100);
    site.cancelled = true;
    EXPECT_THROW(progress.update(site, 5, 100), cancel_exception);
    EXPECT_EQ(progress.done, 15);
}
