// The launcher's work, from the machine checks to starting Studio.
#include <chrono>
#include <thread>

#include "base/errors.h"
#include "base/format.h"
#include "launcher/bootstrapper.h"
#include "net/unfinished_downloads.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/named_mutex.h"
#include "platform/network_state.h"
#include "ui/main_dialog.h"

namespace {
constexpr uint32_t kLauncherMutexPollMs = 100;
}

void Bootstrapper::run() {
    std::srand(platform::tickCount());
    removeStaleDownloads(*logger_);
    if (!appArguments.empty()) registerLatestProcess();
    if (!prePlay) {
        try {
            runSteps();
        } catch (const non_zero_exit_exception&) {
            exitCode = 1;
            logger_->log("Zorbit is not up to date, returning failure");
        } catch (const cancel_exception& e) {
            logger_->log("Bootstrapper::run - %s", cancelReason(e).c_str());
        } catch (const silent_exception&) {
            // The user has been told, or the entry point sees cancelled / errors.
        } catch (const hresult_error& e) {
            reportError(
                std::runtime_error(format("AtlException 0x%x", static_cast<unsigned>(e.hr()))));
        } catch (const std::exception& e) {
            reportError(e);
        }
    }
    finishRun();
}

void Bootstrapper::runSteps() {
    beforeSelfUpdate();
    try {
        forceUninstallMFCStudio();
    } catch (const std::exception&) {
        logger_->log("Bootstrapper::run - forceUninstallMFCStudio failed");
    }
    runStartTime = platform::unixTimeSeconds();
    checkCPUPrerequisit();
    checkOSPrerequisit();
    checkIEPrerequisit();
    if (finishEarly(uninstallMode)) return;
    dialog_->setMarquee(true);

    if (!isNetworkAlive()) {
        if (uninstallMode) return uninstallWithoutServers("IsNetworkAlive failed");
        if (failIfNotUpToDate) {
            logger_->log(
                "The network is done, but -FailIfNotUpToDate should not lock us up, so returning "
                "true");
            return;
        }
        logger_->log("Error: IsNetworkAlive failed");
        if (!interactive || !isLatestProcess()) return;
        offerToContinue(
            "Vexmoor cannot connect to the Internet\n\nDoes your computer have a working network "
            "connection?  Is antivirus software preventing Vexmoor from accessing the Internet?");
        return;
    }

    loadSettings();
    metrics["SettingsLoaded"] = elapsedSeconds(constructionTick);
    afterSettingsLoaded();
    initAnalytics();

    if (!checkVersionsUnlessUninstalling()) {
        if (uninstallMode) return uninstallWithoutServers("the launcher version could not be read");
        if (failIfNotUpToDate) throw non_zero_exit_exception();
        if (!interactive || !isLatestProcess()) return;
        offerToContinue(
            "Cannot connect to the Vexmoor website.\n\nIs antivirus software preventing Vexmoor "
            "from accessing the Internet?");
        return;
    }
    if (!uninstallMode) refreshInstalledLaunchers();
    if (failIfNotUpToDate) {
        if (installedVersion() != versionGuid_) throw non_zero_exit_exception();
        logger_->log("Zorbit is up to date, returning success");
        return;
    }
    metrics["SelfVersionChecked"] = elapsedSeconds(constructionTick);
    if (installedVersion() == versionGuid_) {
        if (noArguments) {
            checkInstalledFiles();
        } else {
            checkAppExecutable();
        }
    }
    installOrUninstall();

    setUiMessage(displayName() + " is up-to-date");
    if (debugMode) {
        dialog_->setMarquee(false);
        for (int n = 5; n >= 1; --n) {
            dialog_->setProgress((6 - n) * 20);
            setUiMessage(
                format("%s is up-to-date - starting in %d seconds", displayName().c_str(), n));
            platform::sleepMilliseconds(1000);
            checkCancel();
        }
    }
    checkCancel();
    if (!appArguments.empty() && isLatestProcess()) StartZorbitApp(freshInstall_);
    logger_->log("Done!");
}

// An uninstall needs no server: when they cannot be reached it goes on and says so.
bool Bootstrapper::checkVersionsUnlessUninstalling() {
    if (!uninstallMode) return checkBootstrapperVersion();
    try {
        return checkBootstrapperVersion();
    } catch (const silent_exception&) {
        throw;
    } catch (const std::exception& e) {
        logger_->log("Error: %s", e.what());
        return false;
    }
}

void Bootstrapper::uninstallWithoutServers(const std::string& reason) {
    logger_->log("Uninstalling without the servers: %s", reason.c_str());
    installOrUninstall();
    logger_->log("Done!");
}

// Steps under the launcher mutex: wait for it, then uninstall or install.
void Bootstrapper::installOrUninstall() {
    platform::NamedMutex launcherMutex(launcherMutexName());
    bool firstWait = true;
    while (launcherMutex.wait(kLauncherMutexPollMs) == platform::WaitResult::Timeout) {
        if (firstWait) {
            logger_->log("Waiting for mutex");
            dialog_->setMessage("Please wait...");
            firstWait = false;
        }
        checkCancel();
        if (!(uninstallMode || force || isLatestProcess())) throw cancel_exception(false);
    }
    // Released however the steps end.
    struct Release {
        platform::NamedMutex& mutex;
        ~Release() { mutex.release(); }
    } release{launcherMutex};

    dialog_->addShowRequest(2);
    giveWayToRunningApp(appExeName());
    if (!perUser) uninstall(true);
    if (uninstallMode) {
        setUiMessage("Uninstalling " + displayName());
        uninstall(perUser);
        if (interactive) dialog_->showInfo(displayName() + " has been uninstalled");
        return;
    }
    const bool needInstall = force || installedVersion() != versionGuid_;
    if (!needInstall) {
        if (machineScopeUsed) perUser = false;
        return;
    }
    cancelButtonDelaySeconds = 2;
    dialog_->showCancel(false);
    std::thread([self = shared_from_this()] { self->revealCancelButtonAfterDelay(); }).detach();
    checkDiskSpacePrerequisit();
    freshInstall_ = installedVersion().empty();
    try {
        install();
    } catch (...) {
        RegisterEvent(freshInstall_ ? "BootstrapperInstallFailed" : "BootstrapperUpdateFailed");
        throw;
    }
    versionGuid_ = installedVersion();
    if (!appVersionMatches()) {
        logger_->log("WARNING: client version not up to date after install.");
    }
}

void Bootstrapper::finishRun() {
    notifyWaiters();
    if (silent) {
        logger_->log("Setting up finish event in silent mode");
        finishEvent_->set();
    } else if (dialog_->successPromptShown()) {
        logger_->log("Install success prompt shown, waiting for input");
    } else {
        logger_->log("WM_QUIT message to the thread id = %d", static_cast<int>(mainThreadId));
        platform::postQuitMessage(mainThreadId);
    }
    logger_->log("Fully Done!");
}

void Bootstrapper::offerToContinue(std::string text) {
    if (appArguments.empty()) {
        dialog_->showError(text);
        return;
    }
    text += "\n\nIf you continue Vexmoor may not work properly.";
    const int answer = dialog_->showMessageBox(
        text, "Error", platform::kMbOkCancel | platform::kMbIconExclamation);
    if (answer == platform::kIdOk) {
        versionGuid_ = installedVersion();
        StartZorbitApp(false);
    }
}

void Bootstrapper::revealCancelButtonAfterDelay() {
    std::unique_lock lock(wakeMutex);
    const auto deadline =
        std::chrono::system_clock::now() + std::chrono::seconds(cancelButtonDelaySeconds);
    if (wakeCondition.wait_until(lock, deadline, [this] { return runFinished; })) return;
    lock.unlock();
    dialog_->showCancel(true);
}

bool Bootstrapper::isNetworkAlive() {
    return platform::isNetworkAlive();
}
