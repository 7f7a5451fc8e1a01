// The Bootstrapper's operations on running Studios and launchers (launch/).
#include "launch/running_instances.h"
#include "launcher/bootstrapper.h"
#include "platform/shared_memory.h"
#include "ui/main_dialog.h"

void Bootstrapper::giveWayToRunningApp(const std::string& imageName) {
    ::giveWayToRunningApp(*logger_, background, imageName);
}

void Bootstrapper::shutdownRunningApp(const std::string& imageName) {
    giveWayToRunningApp(imageName);
    ::shutdownRunningApp(imageName, displayName(), *dialog_,
                         [this](int& counter, int tick, int total) {
                             return shutdownProgress(counter, tick, total);
                         });
}

bool Bootstrapper::shutdownProgress(int& counter, int tick, int total) {
    const ShutdownWaitView view{displayName(), *dialog_, *this,
                                [this] { return cancelled || !errorsSnapshot().empty(); },
                                [this](const std::string& text) { setUiMessage(text); }};
    return ::shutdownProgress(counter, tick, total, view);
}

void Bootstrapper::registerLatestProcess() {
    latestProcessMapping = ::registerLatestProcess(
        *logger_, latestProcessName(baseHost(), installHost(), productName()));
}

bool Bootstrapper::isLatestProcess() {
    return ::isLatestProcess(*logger_, latestProcessMapping.get());
}
