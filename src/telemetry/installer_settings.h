#pragma once
// The launcher's remotely controlled settings, with their built-in defaults.

#include <string>

class WindowsStudioInstallerSettings {
public:
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
