#include "ui/studio_progress_dialog.h"

#include "launcher/bootstrapper.h"
#include "base/errors.h"
#include "platform/message_loop.h"
#include "platform/process_list.h"
#include "platform/shell.h"
#include "base/format.h"

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

namespace {
constexpr unsigned kAppWindowPollMs = 300;
}  // namespace

bool CStudioProgressDialog::zorbitAppRunning() const {
    for (const char* image : {"ZorbitPlayerBeta.exe", "ZorbitStudioBeta.exe"})
        if (!platform::findProcessesByImageName(image).empty()) return true;
    return false;
}

void CStudioProgressDialog::showSuccess() {
    bool answerable = false;
    onMainThread([&] { answerable = window_ && window_->acceptsInput(); });
    if (!answerable) {
        // Nobody could press "Launch Studio" (a terminal, no window): the screen
        // would wait for good, so the Studio starts as after any install.
        enterFinishedState(false);
        if (bootstrapper_) bootstrapper_->StartZorbitApp(false);
        return;
    }
    successShown_ = true;
    enterFinishedState(true);
    // A Studio started some other way (a browser link) ends the screen; that
    // counts as closing the window.
    onMainThread([this] {
        if (window_)
            window_->startTimer(kAppWindowPollMs, [this] {
                if (zorbitAppRunning()) onCancelPressed();
            });
    });
}

// Either Studio button ends the window and so the main thread's loop.
void CStudioProgressDialog::onLaunchPressed() {
    if (bootstrapper_) bootstrapper_->StartZorbitApp(false);
    close();
    platform::postQuitMessage(mainThreadId_);
}

std::string CStudioProgressDialog::developerPageUrl(const std::string& baseHost) {
    std::string url = format("%s%s", baseHost.c_str(), "/develop");
    // The desktop opener guesses nothing: a host without a scheme opens nothing.
    if (url.rfind("http:", 0) != 0 && url.rfind("https:", 0) != 0)
        url = format("http://%s", url.c_str());
    return url;
}

void CStudioProgressDialog::openDeveloperPage() {
    const std::string url = developerPageUrl(bootstrapper_ ? bootstrapper_->baseHost() : "");
    if (bootstrapper_) bootstrapper_->logger().log("Opening developer page: url=%s", url.c_str());
    if (!platform::openUrl(url) && bootstrapper_)
        bootstrapper_->logger().log("Could not open the developer page: %s",
                                    lastErrorText().c_str());
    close();
    platform::postQuitMessage(mainThreadId_);
}
