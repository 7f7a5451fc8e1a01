#include "telemetry/report_vocabulary.h"

std::string runDurationBucket(uint32_t milliseconds) {
    if (milliseconds < 5000) return "0_5";
    if (milliseconds < 15000) return "5_15";
    return "15_INF";
}

namespace {

std::string installCategory(const FinalReportFlags& flags) {
    if (flags.selfUpdated) return "BootstrapperUpdateSelf";
    if (flags.updateStarted) return "BootstrapperDetailedUpdate";
    if (flags.installStarted) return "BootstrapperDetailedInstall";
    return "BootstrapperDetailedUnknownInstallOrUpdate";
}

}  // namespace

std::vector<std::string> finalReportCategories(const FinalReportFlags& flags) {
    std::vector<std::string> categories;
    // A run asked to install reports the install category even when it found
    // nothing to do; that is the unknown one.
    if (flags.installOption || flags.selfUpdated || flags.updateStarted || flags.installStarted)
        categories.push_back(installCategory(flags));
    if (flags.failIfNotUpToDate)
        categories.push_back(flags.nonZeroExit ? "BootstrapperFailIfNotUpToDateNonZeroExit"
                                               : "BootstrapperFailIfNotUpToDateZeroExit");
    if (flags.prePlay) categories.push_back("BootstrapperPrePlay");
    if (flags.playMode) categories.push_back("BootstrapperDetailedPlay");
    categories.push_back("BootstrapperDetailed");
    return categories;
}
