#include "telemetry/installer_settings.h"

#include <cstdlib>

int httpBoostPostTimeout = 0;

namespace {

// "true" and "True" only; everything else is false.
bool boolFrom(const std::string& text) {
    return text == "true" || text == "True";
}
int intFrom(const std::string& text) {
    return std::atoi(text.c_str());
}

}  // namespace

WindowsStudioInstallerSettings::WindowsStudioInstallerSettings() {
    setters["CountersLoad"] = [this](const std::string& v) { countersLoad = intFrom(v); };
    setters["PerModeLoggingEnabled"] = [this](const std::string& v) {
        perModeLoggingEnabled = boolFrom(v);
    };
    setters["CountersFireImmediately"] = [this](const std::string& v) {
        countersFireImmediately = boolFrom(v);
    };
    setters["HttpBoostPostTimeout"] = [this](const std::string& v) {
        httpBoostPostTimeout = intFrom(v);
    };
    setters["ShowInstallSuccessPrompt"] = [this](const std::string& v) {
        showInstallSuccessPrompt = boolFrom(v);
    };
    setters["LogChromeProtocolFix"] = [this](const std::string& v) {
        logChromeProtocolFix = boolFrom(v);
    };
    setters["InfluxUrl"] = [this](const std::string& v) { influxUrl = v; };
    setters["InfluxDatabase"] = [this](const std::string& v) { influxDatabase = v; };
    setters["InfluxUser"] = [this](const std::string& v) { influxUser = v; };
    setters["InfluxPassword"] = [this](const std::string& v) { influxPassword = v; };
    setters["InfluxHundredthsPercentage"] = [this](const std::string& v) {
        influxHundredthsPercentage = intFrom(v);
    };
    setters["UseNewVersionFetch"] = [this](const std::string& v) {
        useNewVersionFetch = boolFrom(v);
    };
    setters["UseDataDomain"] = [this](const std::string& v) { useDataDomain = boolFrom(v); };
    setters["CreateEdgeRegistry"] = [this](const std::string& v) {
        createEdgeRegistry = boolFrom(v);
    };
    setters["DeleteEdgeRegistry"] = [this](const std::string& v) {
        deleteEdgeRegistry = boolFrom(v);
    };
}
