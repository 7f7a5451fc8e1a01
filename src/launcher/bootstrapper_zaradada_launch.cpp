// The Studio profile's launch steps (launch/): browser links and the start.
#include "launch/protocol_arguments.h"
#include "launch/studio_launch.h"
#include "launcher/bootstrapper_zaradada.h"
#include "platform/event.h"
#include "telemetry/run_metrics.h"

bool BootstrapperZARadada::ProcessProtocolHandlerArgs(const ProtocolArguments& arguments) {
    readyEvent =
        applyProtocolArguments(arguments, baseHost(), browserTrackerId, launchOptions, logger());
    return true;
}

void BootstrapperZARadada::StartZorbitApp(bool freshInstall) {
    const StudioStart start{
        .successPromptInstead = settings.showInstallSuccessPrompt && freshInstall,
        .dialog = dialog(),
        .startedEventName = startedEventName(),
        .options = launchOptions,
        .appArguments = appArguments,
        .startApp =
            [this](const std::string& arguments, platform::ProcessInfo& process) {
                CreateProcess(programDirectory() + appExeName(), arguments, process);
            },
        .markTime =
            [this](const std::string& metric) {
                metrics[metric] = elapsedSeconds(constructionTick);
            }};
    startZorbitApp(start, logger());
}
