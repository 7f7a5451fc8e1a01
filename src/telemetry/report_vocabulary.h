#pragma once
// The words of the run reports: duration buckets and the categories of the
// final report.

#include <cstdint>
#include <string>
#include <vector>

// "0_5" below 5 s, "5_15" below 15 s, "15_INF" from 15 s on.
std::string runDurationBucket(uint32_t milliseconds);

// What the final report needs to know of the run.
struct FinalReportFlags {
    bool installOption = false;  // the run was asked to install ("-install")
    bool selfUpdated = false;
    bool updateStarted = false;
    bool installStarted = false;
    bool failIfNotUpToDate = false;
    bool nonZeroExit = false;
    bool prePlay = false;
    bool playMode = false;
};

// The categories the final report covers, in the order they are reported.
std::vector<std::string> finalReportCategories(const FinalReportFlags& flags);
