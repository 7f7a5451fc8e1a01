#include "launch/running_instances.h"

#include <cstring>

#include "base/errors.h"
#include "base/format.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "launch/shutdown_dialog.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/process_list.h"
#include "platform/shared_memory.h"
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

void giveWayToRunningApp(simple_logger& logger, bool background, const std::string& imageName) {
    if (!background || platform::findProcessesByImageName(imageName).empty()) return;
    // Closing it from a background run would lose the user's unsaved work.
    logger.log("No bg update, Zorbit App is running");
    throw silent_exception("No bg update");
}

void shutdownRunningApp(const std::string& imageName, const std::string& title, CMainDialog& dialog,
                        const ShutdownProgress& progress) {
    int counter = 0;
    ShutdownRequest request;
    request.imageName = imageName;
    request.title = title;
    request.progress = [&progress, &counter](int tick, int total) {
        return progress(counter, tick, total);
    };
    request.parent = &dialog;
    for (uint32_t pid : platform::findProcessesByImageName(imageName))
        closeProcessWindows(request, pid);
    if (request.askedToClose) dialog.show();
    dialog.setMarquee(true);
}

bool shutdownProgress(int& counter, int tick, int total, const ShutdownWaitView& view) {
    if (view.stopped()) return false;
    counter += 100;
    if (counter == 1000) {
        view.setUiMessage("Shutting down " + view.displayName);
        view.dialog.setMarquee(false);
    }
    view.site.reportProgress(tick, total);
    return true;
}

std::string latestProcessName(const std::string& baseHost, const std::string& installHost,
                              const std::string& productName) {
    return baseHost + format("/%s/%s/latestProcess", installHost.c_str(), productName.c_str());
}

std::unique_ptr<platform::SharedMemory> registerLatestProcess(simple_logger& logger,
                                                              const std::string& name) {
    auto mapping = platform::SharedMemory::createOrOpen(name, kLatestProcessBlockSize);
    if (!mapping) {
        logger.log("Could not create file mapping object: %s", lastErrorText().c_str());
        return mapping;
    }
    const uint32_t pid = platform::currentProcessId();
    std::memcpy(mapping->data(), &pid, sizeof pid);
    return mapping;
}

bool isLatestProcess(simple_logger& logger, platform::SharedMemory* mapping) {
    if (!mapping) {
        logger.log("Could not map view of file: %s", lastErrorText().c_str());
        return true;
    }
    uint32_t pid = 0;
    std::memcpy(&pid, mapping->data(), sizeof pid);
    return pid == platform::currentProcessId();
}
