// Running Studio processes are closed before their files change, and a launcher
// that a newer one has overtaken gives way to it.
#include <cstring>

#include "launch/shutdown_dialog.h"
#include "launcher/bootstrapper.h"
#include "base/errors.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/process_list.h"
#include "platform/shared_memory.h"
#include "base/format.h"
#include "ui/main_dialog.h"

namespace {

int closeTimeoutSeconds = 15;  // tests shorten it
constexpr uint32_t kTickMs = 100;
constexpr uint32_t kAskAgainMs = 1000;
constexpr size_t kLatestProcessBlockSize = 4;

struct ShutdownRequest {
    std::string imageName;
    // Named to the user as the product, not by the system's cut process name.
    std::string title;
    int timeoutSeconds = closeTimeoutSeconds;
    std::function<bool(int tick, int total)> progress;
    CMainDialog* parent = nullptr;
    bool askedToClose = false;
};

void closeProcessWindows(ShutdownRequest& request, uint32_t pid) {
    if (!platform::isProcessRunning(pid)) return;
    if (!platform::requestProcessClose(pid)) return;
    request.askedToClose = true;
    const int ticks = request.timeoutSeconds * 10;
    for (int tick = 1; tick <= ticks; ++tick) {
        const bool ended = platform::waitForProcessEnd(pid, kTickMs);
        if (!request.progress(tick, ticks)) throw installer_error_exception(kInstallerTimeout);
        if (ended) return;
    }
    if (!platform::isProcessRunning(pid)) return;
    CShutdownLegacyDialog question(request.title, *request.parent);
    while (platform::isProcessRunning(pid)) {
        int32_t result = 0;
        if (question.answer(result)) {
            if (result == platform::kIdOk) return;
            throw cancel_exception(true);
        }
        platform::waitForProcessEnd(pid, kAskAgainMs);
    }
}

}  // namespace

void setShutdownTimeoutSeconds(int seconds) {
    closeTimeoutSeconds = seconds;
}

CShutdownLegacyDialog::CShutdownLegacyDialog(const std::string& title, CMainDialog& parent)
    : answer_(parent.showMessageBox(
          format(
              "\"%s\" needs to close.\n\nShut down now?  You may lose work that you haven't saved",
              title.c_str()),
          "Zorbit", platform::kMbOkCancel | platform::kMbIconQuestion)) {}

void Bootstrapper::giveWayToRunningApp(const std::string& imageName) {
    if (!background || platform::findProcessesByImageName(imageName).empty()) return;
    // Closing it from a background run would lose the user's unsaved work.
    logger_->log("No bg update, Zorbit App is running");
    throw silent_exception("No bg update");
}

void Bootstrapper::shutdownRunningApp(const std::string& imageName) {
    giveWayToRunningApp(imageName);
    int counter = 0;
    ShutdownRequest request;
    request.imageName = imageName;
    request.title = displayName();
    request.progress = [this, &counter](int tick, int total) {
        return shutdownProgress(counter, tick, total);
    };
    request.parent = dialog_.get();
    for (uint32_t pid : platform::findProcessesByImageName(imageName))
        closeProcessWindows(request, pid);
    if (request.askedToClose) dialog_->show();
    dialog_->setMarquee(true);
}

bool Bootstrapper::shutdownProgress(int& counter, int tick, int total) {
    if (cancelled || !errorsSnapshot().empty()) return false;
    counter += 100;
    if (counter == 1000) {
        setUiMessage("Shutting down " + displayName());
        dialog_->setMarquee(false);
    }
    reportProgress(tick, total);
    return true;
}

namespace {
std::string latestProcessName(Bootstrapper& b) {
    return b.baseHost() +
           format("/%s/%s/latestProcess", b.installHost().c_str(), b.productName().c_str());
}
}  // namespace

void Bootstrapper::registerLatestProcess() {
    latestProcessMapping =
        platform::SharedMemory::createOrOpen(latestProcessName(*this), kLatestProcessBlockSize);
    if (!latestProcessMapping) {
        logger_->log("Could not create file mapping object: %s", lastErrorText().c_str());
        return;
    }
    const uint32_t pid = platform::currentProcessId();
    std::memcpy(latestProcessMapping->data(), &pid, sizeof pid);
}

bool Bootstrapper::isLatestProcess() {
    if (!latestProcessMapping) {
        logger_->log("Could not map view of file: %s", lastErrorText().c_str());
        return true;
    }
    uint32_t pid = 0;
    std::memcpy(&pid, latestProcessMapping->data(), sizeof pid);
    return pid == platform::currentProcessId();
}
