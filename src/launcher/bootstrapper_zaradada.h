#pragma once
// The Studio profile of the launcher: its constants and its product steps.

#include <memory>

#include "launch/launch_options.h"
#include "launcher/bootstrapper.h"
#include "telemetry/installer_settings.h"

class CountersClient;

class BootstrapperZARadada : public Bootstrapper {
public:
    explicit BootstrapperZARadada(void* instance);
    ~BootstrapperZARadada() override;

    std::string productName() override { return "ZARadada"; }
    std::string binaryType() override { return "WindowsStudio"; }
    void initialize() override;
    void createDialog() override;
    void loadSettings() override;
    std::string influxUrl() override { return settings.influxUrl; }
    std::string influxDatabase() override { return settings.influxDatabase; }
    std::string influxUser() override { return settings.influxUser; }
    std::string influxPassword() override { return settings.influxPassword; }
    int32_t influxSamplePercentage() override { return settings.influxHundredthsPercentage; }
    bool logChromeProtocolFix() override { return settings.logChromeProtocolFix; }
    bool useNewVersionFetch() override { return settings.useNewVersionFetch; }
    bool useDataDomain() override { return settings.useDataDomain; }
    bool createEdgeRegistry() override { return settings.createEdgeRegistry; }
    bool deleteEdgeRegistry() override { return settings.deleteEdgeRegistry; }
    void RegisterEvent(const std::string& name) override;
    // Posts the counters still pending: the last telemetry of the run.
    void beforeExit() override;
    bool perModeLoggingEnabled() override { return settings.perModeLoggingEnabled; }
    std::string productRegistryKey() override { return "SOFTWARE\\" + productRegistryName(); }
    std::string productRegistryName() override { return "StudioQTZorbitReg"; }
    std::string launcherVersionFileName() override { return launcherVersionFileName_; }
    std::string versionFileName() override { return versionFileName_; }
    std::string appMutexName() override { return baseHost() + "/startZorbitZARadadaApp"; }
    std::string launcherMutexName() override { return baseHost() + "/bootstrapperZARadada"; }
    std::string displayName() override { return "VEXMOOR TEST1 Studio"; }
    std::string protocolScheme() override { return protocolScheme_; }
    void DoInstallApp() override;
    void DoUninstallApp(const platform::RegistryKey& root) override;
    std::string appExeName() override { return "ZorbitStudioBeta.exe"; }
    std::string launcherExeName() override { return "ZorbitStudioLauncherBeta.exe"; }
    std::string uninstallKey() override;
    void DeployComponents(bool upgrade, bool unzip) override;
    void StartZorbitApp(bool freshInstall) override;
    bool ProcessProtocolHandlerArgs(const ProtocolArguments& arguments) override;
    bool parseExtraOption(const std::vector<std::string>& argv, int& index, int count) override;

    std::string startedEventName() { return baseHost() + "/zorbitZARadadaStartedEvent"; }
    // AppSettings.xml in the program directory; failures are not reported.
    void writeAppSettings();

    LaunchOptions launchOptions;
    std::unique_ptr<platform::Event> readyEvent;
    WindowsStudioInstallerSettings settings;
    std::unique_ptr<CountersClient> countersClient;

private:
    std::string launcherVersionFileName_ = "BootstrapperZARadadaVersion.txt";
    std::string versionFileName_ = "versionZARadada";
    std::string protocolScheme_;
};
