// Starting the Studio with its arguments and waiting until it says it is up.
#include "launch/launch_arguments.h"
#include "base/errors.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/process_list.h"
#include "ui/main_dialog.h"

namespace {
constexpr uint32_t kStartWaitMs = 10000;
constexpr uint32_t kHandOverWaitMs = 10000;
constexpr uint32_t kHandOverSliceMs = 100;

// The ready event dies with our last handle, so we stay until the Studio has
// it open or has taken the signal; not for a Studio that is gone.
bool handOverReadyEvent(platform::Event& ready, uint32_t studioProcessId) {
    for (uint32_t waited = 0; waited < kHandOverWaitMs; waited += kHandOverSliceMs) {
        if (ready.waitUntilReceivable(kHandOverSliceMs)) return true;
        if (!platform::isProcessRunning(studioProcessId)) return false;
    }
    return false;
}
}  // namespace

void BootstrapperZARadada::StartZorbitApp(bool freshInstall) {
    logger().log("BootstrapperZARadada::StartZorbitApp");
    if (settings.showInstallSuccessPrompt && freshInstall) {
        dialog()->showSuccess();
        return;
    }
    const std::string eventName = startedEventName();
    std::unique_ptr<platform::Event> started = platform::Event::createNamed(eventName, true, false);
    if (!started) throwLastError("Cannot create the event " + eventName);
    // A signal left by an earlier start must not count.
    started->reset();

    std::unique_ptr<platform::Event> ready;
    if (!launchOptions.readyEvent.empty()) {
        logger().log("BootstrapperStudio::StartZorbitApp - Play game, syncGameEventName = %s",
                     launchOptions.readyEvent.c_str());
        ready = platform::Event::openNamed(launchOptions.readyEvent);
    }
    appArguments += " -startEvent " + platform::quoteArgument(eventName);
    appArguments += " " + buildLaunchArguments(launchOptions);

    platform::ProcessInfo process;
    CreateProcess(programDirectory() + appExeName(), appArguments, process);
    logger().log("BootstrapperZARadada::StartZorbitApp - waiting for %s", eventName.c_str());
    metrics["WaitingForAppStart"] = elapsedSeconds(constructionTick);
    started->wait(kStartWaitMs);
    metrics["WaitingForAppEnd"] = elapsedSeconds(constructionTick);
    if (!launchOptions.readyEvent.empty()) {
        logger().log("BootstrapperStudio::StartZorbitApp - Setting ready event");
        if (ready) {
            ready->set();
            if (!handOverReadyEvent(*ready, process.processId))
                logger().log("BootstrapperStudio::StartZorbitApp - ready event not taken");
        }
    }
}
