#include "ui/studio_progress_dialog.h"

#include "launcher/bootstrapper.h"
#include "platform/message_loop.h"
#include "platform/shell.h"
#include "telemetry/format.h"

CStudioProgressDialog::CStudioProgressDialog(void* instance, Bootstrapper* bootstrapper)
    : CProgressDialog(instance), bootstrapper_(bootstrapper) {}

void CStudioProgressDialog::create() {
    createMainWindow(true);
    onMainThread([this] {
        if (!window_) return;
        window_->onLaunchRequested = [this] { onLaunchPressed(); };
        window_->onLinkRequested = [this] { openDeveloperPage(); };
    });
}

void CStudioProgressDialog::showSuccess() {
    successShown_ = true;
    enterFinishedState(true);
}

// Either Studio button ends the window and so the main thread's loop.
void CStudioProgressDialog::onLaunchPressed() {
    if (bootstrapper_) bootstrapper_->StartZorbitApp(false);
    close();
    platform::postQuitMessage(mainThreadId_);
}

std::string CStudioProgressDialog::developerPageUrl(const std::string& baseHost) {
    std::string url = format("%s%s", baseHost.c_str(), "/develop");
    if (url.rfind("www.", 0) != 0 && url.rfind("http:", 0) != 0) url = format("http://%s", url.c_str());
    return url;
}

void CStudioProgressDialog::openDeveloperPage() {
    const std::string url = developerPageUrl(bootstrapper_ ? bootstrapper_->baseHost() : "");
    if (bootstrapper_) bootstrapper_->logger().log("Opening developer page: url=%s", url.c_str());
    platform::openUrl(url);
    close();
    platform::postQuitMessage(mainThreadId_);
}
