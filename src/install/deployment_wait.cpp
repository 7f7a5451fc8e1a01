#include "install/deployment_wait.h"

#include <thread>

namespace {
constexpr int kMarqueeMs = 1000;
constexpr int kPassMs = 10;
}  // namespace

CombinedProgress combineProgress(const std::vector<std::shared_ptr<Progress>>& records) {
    CombinedProgress combined;
    combined.records = records.size();
    for (const auto& record : records) {
        if (record->finished) ++combined.finished;
        const int64_t total = record->total;
        if (total > 0) {
            ++combined.withTotal;
            combined.total += total;
        }
        combined.done += record->done;
    }
    return combined;
}

bool MarqueeTimer::pass() {
    if (waitedMs_ >= kMarqueeMs) return true;
    waitedMs_ += kPassMs;
    return false;
}

void waitForPackages(const std::vector<std::shared_ptr<Progress>>& records,
                     const DeploymentWaitHooks& hooks) {
    MarqueeTimer marquee;
    for (;;) {
        const CombinedProgress combined = combineProgress(records);
        if (combined.allFinished()) return;
        if (combined.allTotalsKnown()) hooks.reportProgress(combined.done, combined.total);
        std::this_thread::sleep_for(hooks.pollInterval);
        if (marquee.pass()) hooks.setMarquee(false);
        hooks.checkCancel();
    }
}
