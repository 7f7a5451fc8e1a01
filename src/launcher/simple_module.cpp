#include "launcher/simple_module.h"

#include <cstdlib>

#include "base/errors.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "launcher/bootstrapper_zaradada.h"
#include "net/unfinished_downloads.h"
#include "platform/event.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/user_account.h"
#include "platform/wait_result.h"
#include "platform/window_system.h"
#include "ui/main_dialog.h"

namespace {

constexpr uint32_t kSilentWaitMs = 1800000;  // 30 minutes
constexpr int64_t kQuickCancelSeconds = 60;

void waitForRun(Bootstrapper& bootstrapper) {
    simple_logger& log = bootstrapper.logger();
    if (bootstrapper.silent) {
        log.log("CSimpleModule::WinMain Waiting for bootstrapper to finish in silent mode");
        const bool timedOut =
            bootstrapper.finishEvent().wait(kSilentWaitMs) == platform::WaitResult::Timeout;
        log.log("CSimpleModule::WinMain - zorbitReady, wait timeout = %d", timedOut ? 1 : 0);
    } else {
        log.log("CSimpleModule::WinMain current thread id = %d",
                static_cast<int>(bootstrapper.mainThreadId));
        platform::runMessageLoop();
    }
}

// Every mode ends in the failure outcome once the run recorded an error or was
// cancelled: scripts running the launcher quietly rely on the exit code.
void throwIfRunFailed(Bootstrapper& bootstrapper) {
    if (bootstrapper.cancelled) throw cancel_exception(true);
    if (!bootstrapper.errorsSnapshot().empty()) throw std::runtime_error("Unknown exception");
}

void epilogue(Bootstrapper& bootstrapper, bool finalReportSent, int& exitCode) {
    if (bootstrapper.perModeLoggingEnabled() && !finalReportSent)
        bootstrapper.finalReport("Success");
    if (!bootstrapper.errorsSnapshot().empty()) {
        bootstrapper.uploadLogs(true);
    } else if (!bootstrapper.cancelled ||
               bootstrapper.cancelTime - bootstrapper.runStartTime <= kQuickCancelSeconds) {
        if (bootstrapper.isPlayMode()) {
            bootstrapper.RegisterEvent("BootstrapperPlayFinishedSuccess");
            bootstrapper.RegisterEvent("BootstrapperPlayFinishedSuccess2");
        }
        bootstrapper.RegisterEvent("BootstrapperFinishedSuccess");
        bootstrapper.RegisterEvent("BootstrapperFinishedSuccess2");
        bootstrapper.reportRunDuration(bootstrapper.isPlayMode());
    } else if (std::rand() % 10 == 0) {
        bootstrapper.uploadLogs(false);
    }
    if (bootstrapper.failIfNotUpToDate) exitCode = bootstrapper.exitCode;
    bootstrapper.beforeExit();
    bootstrapper.logger().log("CSimpleModule::WinMain Bring app to front again.");
}

}  // namespace

int CSimpleModule::WinMain(void* instance, const Bootstrapper::Factory& factory,
                           const std::vector<std::string>& argv) {
    int exitCode = 0;
    std::shared_ptr<Bootstrapper> bootstrapper;
    bool finalReportSent = false;
    try {
        bootstrapper = Bootstrapper::Create(instance, [&](void* module) {
            Bootstrapper* made = factory(module);
            made->setArguments(argv);
            return made;
        });
        bootstrapper->RegisterEvent("BootstrapperStarted");
        if (bootstrapper->interactive) waitForRun(*bootstrapper);
        throwIfRunFailed(*bootstrapper);
        bootstrapper->dialog()->close();
        bootstrapper->logger().log("CSimpleModule::WinMain Bring app to front.");
        bootstrapper->logger().log("Left CSimpleModule::WinMain");
    } catch (const cancel_exception&) {
        if (bootstrapper) {
            if (bootstrapper->perModeLoggingEnabled()) {
                bootstrapper->finalReport("Cancel");
                finalReportSent = true;
            }
            bootstrapper->RegisterEvent("BootstrapperFinishedCancel");
        }
        exitCode = -1;
    } catch (const std::exception& e) {
        if (bootstrapper) {
            if (bootstrapper->perModeLoggingEnabled()) {
                bootstrapper->finalReport("Error");
                finalReportSent = true;
            }
            bootstrapper->reportError(e);
            if (bootstrapper->isPlayMode())
                bootstrapper->RegisterEvent("BootstrapperPlayFinishedFailure");
            bootstrapper->RegisterEvent("BootstrapperFinishedFailure");
        } else {
            platform::messageBox(
                format("An error occured and Vexmoor cannot continue.\n\n%s", e.what()), "Error",
                platform::kMbOk | platform::kMbIconWarning);
        }
        exitCode = -1;
    }
    if (bootstrapper) epilogue(*bootstrapper, finalReportSent, exitCode);
    // Workers of a cancelled run may still be writing; their files go now.
    removeUnfinishedDownloads();
    platform::handCreatedFilesToInvokingUser();
    return exitCode;
}

int launcherMain(const std::vector<std::string>& argv) {
    platform::initializeWindowSystem();
    if (argv.size() == 2 && argv[1] == "--version") {
        platform::messageBox(moduleFileVersion(), "Version", platform::kMbOk);
        return 0;
    }
    return CSimpleModule::WinMain(
        nullptr, [](void* instance) -> Bootstrapper* { return new BootstrapperZARadada(instance); },
        argv);
}
