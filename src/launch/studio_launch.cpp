#include "launch/studio_launch.h"

#include "base/errors.h"
#include "base/logger.h"
#include "launch/launch_arguments.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/process.h"
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

void startZorbitApp(const StudioStart& start, simple_logger& logger) {
    logger.log("BootstrapperZARadada::StartZorbitApp");
    if (start.successPromptInstead) {
        start.dialog->showSuccess();
        return;
    }
    const std::string& eventName = start.startedEventName;
    std::unique_ptr<platform::Event> started = platform::Event::createNamed(eventName, true, false);
    if (!started) throwLastError("Cannot create the event " + eventName);
    // A signal left by an earlier start must not count.
    started->reset();

    const LaunchOptions& options = start.options;
    std::unique_ptr<platform::Event> ready;
    if (!options.readyEvent.empty()) {
        logger.log("BootstrapperStudio::StartZorbitApp - Play game, syncGameEventName = %s",
                   options.readyEvent.c_str());
        ready = platform::Event::openNamed(options.readyEvent);
    }
    start.appArguments += " -startEvent " + platform::quoteArgument(eventName);
    start.appArguments += " " + buildLaunchArguments(options);

    platform::ProcessInfo process;
    start.startApp(start.appArguments, process);
    logger.log("BootstrapperZARadada::StartZorbitApp - waiting for %s", eventName.c_str());
    start.markTime("WaitingForAppStart");
    started->wait(kStartWaitMs);
    start.markTime("WaitingForAppEnd");
    if (!options.readyEvent.empty()) {
        logger.log("BootstrapperStudio::StartZorbitApp - Setting ready event");
        if (ready) {
            ready->set();
            if (!handOverReadyEvent(*ready, process.processId))
                logger.log("BootstrapperStudio::StartZorbitApp - ready event not taken");
        }
    }
}
