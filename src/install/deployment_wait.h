#pragma once
// The deployment driver's wait for its package workers: combined progress,
// the marquee rule, cancellation and errors, polled every 10 ms.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "install/progress.h"

// One pass's view of all package records.
struct CombinedProgress {
    size_t records = 0;
    size_t finished = 0;
    size_t withTotal = 0;  // records whose length is known
    int64_t done = 0;      // over every record
    int64_t total = 0;     // over the records whose length is known

    bool allFinished() const { return finished == records; }
    bool allTotalsKnown() const { return withTotal == records; }
};

CombinedProgress combineProgress(const std::vector<std::shared_ptr<Progress>>& records);

// The bar stays in marquee mode for the first second of waiting, counted in
// passes of 10 ms.
class MarqueeTimer {
public:
    // Counts one pass; true when the second is over (then and in every later pass).
    bool pass();

private:
    int waitedMs_ = 0;
};

struct DeploymentWaitHooks {
    std::function<void(int64_t done, int64_t total)> reportProgress;
    std::function<void(bool marquee)> setMarquee;
    // Throws the cancellation or the errors the workers recorded.
    std::function<void()> checkCancel;
    std::chrono::milliseconds pollInterval{10};
};

// Returns once every record is finished. The bar moves only while every
// package has announced its length. Throws what checkCancel throws, with
// workers possibly still running: they share the records.
void waitForPackages(const std::vector<std::shared_ptr<Progress>>& records,
                     const DeploymentWaitHooks& hooks);
