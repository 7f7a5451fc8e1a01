#pragma once
// The one object of a launcher run: options, hosts, versions, scope, errors,
// dialog and log. Product specifics are the virtual hooks that a profile
// answers; this system has one profile, BootstrapperZARadada (the Studio).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "base/installer_site.h"
#include "base/logger.h"
#include "launch/protocol_arguments.h"
#include "platform/process.h"
#include "telemetry/run_metrics.h"

class CMainDialog;
class FileDeployer;
struct ComponentPackage;
namespace platform {
class Event;
class RegistryKey;
class SharedMemory;
}  // namespace platform

class Bootstrapper : public IInstallerSite, public std::enable_shared_from_this<Bootstrapper> {
public:
    using Factory = std::function<Bootstrapper*(void* instance)>;

    explicit Bootstrapper(void* instance);
    ~Bootstrapper() override;

    // --- IInstallerSite -------------------------------------------------
    std::string baseHost() override { return baseHost_; }
    std::string installHost() override { return installHost_; }
    std::string versionGuid() override { return versionGuid_; }
    simple_logger& logger() override { return *logger_; }
    void reportProgress(int64_t done, int64_t total) override;
    void checkCancel() override;
    void reportError(const std::exception& e) override;
    std::string programDirectory() override;
    bool useInstallerCdnList() override { return false; }
    bool useFixedCdnMapping() override { return false; }

    // --- Profile hooks ---------------------------------------------------
    virtual std::string productName() = 0;
    virtual std::string binaryType() { return {}; }
    virtual bool finishEarly(bool uninstalling) {
        (void)uninstalling;
        return false;
    }
    virtual void initialize();
    virtual void createDialog() {}
    virtual int32_t unusedHook() { return 0; }
    virtual void beforeSelfUpdate() {}
    virtual void loadSettings() {}
    virtual bool allowSyncRun() { return true; }
    virtual void initAnalytics();
    virtual std::string influxUrl() { return {}; }
    virtual std::string influxDatabase() { return {}; }
    virtual std::string influxUser() { return {}; }
    virtual std::string influxPassword() { return {}; }
    virtual int32_t influxSamplePercentage() { return 0; }
    virtual int32_t statsSamplePercentage() { return 0; }
    virtual void afterSettingsLoaded() {}
    virtual bool reinstallOnAppVersionMismatch() { return false; }
    virtual bool appVersionMatches() { return true; }
    virtual bool unusedFlagHook1() { return false; }
    virtual bool unusedFlagHook2() { return false; }
    virtual void afterModeSetup() {}
    virtual bool forceSilent() { return false; }
    virtual bool logChromeProtocolFix() { return false; }
    virtual bool useNewVersionFetch() { return false; }
    virtual bool useDataDomain() { return true; }
    virtual bool createEdgeRegistry() { return true; }
    virtual bool deleteEdgeRegistry() { return false; }
    virtual std::string requestVersionGuid(const std::string& versionFileName);
    virtual void RegisterEvent(const std::string& name) { (void)name; }
    virtual void beforeExit() {}
    virtual bool perModeLoggingEnabled() { return false; }
    virtual std::string productRegistryKey() = 0;
    virtual std::string productRegistryName() = 0;
    virtual std::string launcherVersionFileName() = 0;
    virtual std::string versionFileName() = 0;
    virtual std::string appMutexName() = 0;
    virtual std::string launcherMutexName() = 0;
    virtual std::string displayName() = 0;
    virtual std::string protocolScheme() = 0;
    virtual void DoInstallApp() {}
    // root: the hive root of the scope being removed.
    virtual void DoUninstallApp(const platform::RegistryKey& root) { (void)root; }
    virtual std::string appExeName() { return {}; }
    virtual std::string launcherExeName() { return {}; }
    virtual std::string uninstallKey() { return {}; }
    // Makes the version folder's tree and deploys the profile's packages into it.
    virtual void DeployComponents(bool upgrade, bool unzip) {
        (void)upgrade;
        (void)unzip;
    }
    virtual void StartZorbitApp(bool freshInstall) { (void)freshInstall; }
    virtual bool isPlayMode() { return false; }
    virtual bool quietWhenUpdating() { return false; }
    virtual bool ProcessProtocolHandlerArgs(const ProtocolArguments& arguments) {
        (void)arguments;
        return false;
    }
    // Takes the argument at index (and a value after it, advancing index) when it
    // is a profile option.
    virtual bool parseExtraOption(const std::vector<std::string>& argv, int& index, int count) {
        (void)argv;
        (void)index;
        (void)count;
        return false;
    }

    // --- Lifecycle (entry) ----------------------------------------------
    static std::shared_ptr<Bootstrapper> Create(void* instance, const Factory& factory);
    void showWindowAfterDelay();
    void parseCmdLine();
    void run();
    void revealCancelButtonAfterDelay();
    void install();
    void onCancel();
    // Ctrl-C or a termination signal: the user's Cancel in every mode.
    void cancelOnTerminationRequest();
    void setUiMessage(const std::string& text);
    std::string installedVersion();
    // extraEnvironment: "NAME=value" variables for the started program alone.
    static void CreateProcess(simple_logger& logger, const std::string& module,
                              const std::string& arguments, platform::ProcessInfo& info,
                              const std::vector<std::string>& extraEnvironment = {});
    void CreateProcess(const std::string& module, const std::string& arguments,
                       platform::ProcessInfo& info,
                       const std::vector<std::string>& extraEnvironment = {}) {
        CreateProcess(*logger_, module, arguments, info, extraEnvironment);
    }

    // --- Operations of the install pipeline and the system ----------------
    // The current version GUID for the version file (the profile's when empty),
    // asked once per process.
    std::string fetchVersionGuid(const std::string& versionFileName = {});
    bool checkBootstrapperVersion();
    void refreshInstalledLaunchers();
    std::string installedLauncherPath();
    // Copies the running launcher over an installed copy whose content differs.
    void replaceInstalledCopy(const std::string& installed);
    void deploySelf();
    // Copies the running launcher to target unless a file is there; answers
    // whether a launcher is there afterwards. Never throws.
    bool deploySelfTo(const std::string& target);
    void loadPrevVersions();
    void storePrevVersions();
    void deleteVersionFolder(const std::string& version);
    // The version folder of that scope, unless it is the version that scope has installed.
    void deleteVersionFolder(bool perUserScope, const std::string& version);
    // Empties the Versions folder of the install scope; the folder itself stays.
    void deleteAllVersionFolders();
    void deleteAllVersionFolders(bool perUserScope);
    // The desktop and programs entries of the Studio; never throws.
    void CreateShortcuts(bool forced);
    // Removes the installation of one scope; every step works on that scope.
    void uninstall(bool perUserScope);
    void forceUninstallMFCStudio();
    void forceMFCStudioCleanup();
    void checkCPUPrerequisit();
    void checkOSPrerequisit();
    void checkIEPrerequisit();
    void checkDiskSpacePrerequisit();
    // Installation integrity: the manifest check and the quick check; either
    // may set force.
    void checkInstalledFiles();
    void checkAppExecutable();
    void registerLatestProcess();
    bool isLatestProcess();
    // Closes running processes of the image before their files change; asks the
    // user about one that will not close.
    void shutdownRunningApp(const std::string& imageName);
    // A background run never closes a running Studio: it ends quietly instead.
    void giveWayToRunningApp(const std::string& imageName);
    // Progress of that wait; false stops it.
    bool shutdownProgress(int& counter, int tick, int total);
    bool isNetworkAlive();
    // Runs one file-deployer worker per package at once and waits for them all,
    // showing their combined progress. Throws the cancellation or the errors the
    // workers reported; workers still running then keep what they use alive.
    void deployComponentPackages(const std::vector<ComponentPackage>& table, bool upgrade,
                                 bool unzip);
    // Telemetry (src/telemetry/). None of these throws or changes the run's
    // outcome, and every request they make is bounded to a few seconds.
    // The run's end: the final report ("Success", "Error", "Cancel"), the
    // run-duration counter and the log upload (with the newest application log).
    void finalReport(const std::string& result);
    void reportRunDuration(bool playMode);
    void uploadLogs(bool withAppLogs);
    // One POST of the stream's content to the error-log page.
    void uploadLog(std::istream& stream);
    // The join-rate GET and the report-stats POSTs of one measurement.
    void reportStats(const std::string& name, const std::string& result, int64_t durationMs,
                     int64_t bytes);
    // One category of the final report: stats, counter and duration series.
    void report(const std::string& category, const std::string& result);
    // End of an install or update (install transaction): the "PCInstall"
    // series; result "Success", "Cancel" or "Error", bytes from the file deployer.
    void reportInstallSeries(bool updating, const std::string& result, const std::string& message,
                             int64_t bytesDownloaded);
    // Content host found or not at the start of a deployment; registers the
    // event when per-mode logging is on.
    void reportContentHostResolution(bool resolved);
    // End of a deployment that went well: the deployment stats (when per-mode
    // logging is on), the "PCInstallTime" series and the throughput analytics.
    // contentHost: the content host, else the install host.
    void reportDeployment(const std::string& contentHost, uint32_t elapsedMs,
                          int64_t bytesDownloaded);

    // The process arguments, as split by the runtime (element 0 is the program).
    void setArguments(std::vector<std::string> argv) { argv_ = std::move(argv); }
    const std::vector<std::string>& arguments() const { return argv_; }
    CMainDialog* dialog() { return dialog_.get(); }
    void setDialog(std::unique_ptr<CMainDialog> dialog);
    platform::Event& finishEvent() { return *finishEvent_; }
    const std::vector<std::string> errorsSnapshot();
    // Wakes the window-delay and Cancel-button threads.
    void notifyWaiters();

    // --- State (see the members table of the launcher's design) ----------
    std::weak_ptr<Bootstrapper> selfReference;
    std::mutex wakeMutex;
    std::condition_variable wakeCondition;
    bool runFinished = false;  // set with the notification, guarded by wakeMutex
    std::unique_ptr<platform::SharedMemory> latestProcessMapping;
    uint32_t mainThreadId = 0;
    int32_t windowDelaySeconds = 0;
    int32_t cancelButtonDelaySeconds = 0;
    bool force = false;
    bool noArguments = false;
    bool uninstallMode = false;
    bool failIfNotUpToDate = false;
    bool debugMode = false;
    bool interactive = true;
    bool background = false;
    bool perUser = true;
    bool machineScopeUsed = false;
    std::atomic<bool> cancelled{false};  // set by the Cancel button, read by every worker
    bool prePlay = false;
    bool installOption = false;
    bool installStarted = false;
    bool updateStarted = false;
    bool selfUpdated = false;
    // Started by another launcher's self-update: this chain updates no further.
    bool handedOver = false;
    int64_t runStartTime = 0;
    int64_t cancelTime = 0;
    uint32_t constructionTick = 0;
    int32_t correlationId = 0;
    std::string selfUpdateVersion;
    bool silent = false;
    bool backgroundNoRun = false;
    std::string baseHost_;
    std::string installHost_;
    std::string versionGuid_;
    std::string browserTrackerId;
    int32_t exitCode = 0;
    std::vector<std::string> prevVersions;
    int32_t analyticsSample = 0;
    int32_t stage = 0;  // reported by the log upload
    void* instance = nullptr;
    std::shared_ptr<FileDeployer> fileDeployer;  // shared with the package workers
    std::unique_ptr<platform::RegistryKey> classesKey;
    std::string appArguments = "-browser";
    std::map<std::string, MetricValue> metrics;

protected:
    std::unique_ptr<platform::Event> finishEvent_;
    std::unique_ptr<CMainDialog> dialog_;
    std::unique_ptr<simple_logger> logger_;
    std::vector<std::string> argv_;
    std::mutex errorsMutex_;
    std::vector<std::string> errors_;
    bool freshInstall_ = false;  // no version was installed when the install began

private:
    void runSteps();
    void decideScope();
    void relaunchElevated();
    void openClassesKey();
    void createFileDeployer();
    void initializeCookiePath();
    void finishRun();
    void offerToContinue(std::string text);
    void installOrUninstall();
    bool checkVersionsUnlessUninstalling();
    void uninstallWithoutServers(const std::string& reason);
    void requireAdministratorForAllUsers();
    void postClientStatus();
    void retireEarlierVersions();
    void listUnrecordedVersionFolders();
    // The installed version of the scope, then the earlier ones it recorded.
    std::vector<std::string> versionsOfScope(bool perUserScope);
    // The install series of the metrics writer ("PCInstall"): result "Success",
    // "Cancel" or "Error" with its message. Never throws.
    // Package bytes the file deployer received in this run.
    int64_t deployedBytes() const;
    bool applyOption(int& index, int count);
    void parseProtocolUrl(const std::string& url);
};
