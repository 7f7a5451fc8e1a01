#pragma once
// The launcher's remotely controlled settings, laid over built-in defaults.

#include <string>

#include "telemetry/simple_json.h"

class WindowsStudioInstallerSettings : public SimpleJSON {
public:
    WindowsStudioInstallerSettings();
    ~WindowsStudioInstallerSettings() override = default;

    int countersLoad = 0;
    bool perModeLoggingEnabled = false;
    bool countersFireImmediately = false;
    int httpBoostPostTimeout = 0;
    bool showInstallSuccessPrompt = false;
    bool logChromeProtocolFix = false;
    std::string influxUrl = "https://metrics.zorbit.localhost:8087";
    std::string influxDatabase = "Default";
    std::string influxUser = "zor";
    std::string influxPassword = "quickmarch";
    int influxHundredthsPercentage = 0;
    bool useNewVersionFetch = false;
    bool useDataDomain = true;
    bool createEdgeRegistry = true;
    bool deleteEdgeRegistry = false;
};

// The post time-out the settings carry, in milliseconds, kept process-wide;
// telemetry takes it as a shorter bound for its requests (telemetry_time_bound.h).
extern int httpBoostPostTimeout;
