#include "ui/studio_progress_dialog.h"

#include <utility>

#include "base/errors.h"
#include "base/format.h"
#include "platform/message_loop.h"
#include "platform/process_list.h"
#include "platform/shell.h"

CStudioProgressDialog::CStudioProgressDialog(void* instance, StudioDialogActions actions)
    : CProgressDialog(instance), actions_(std::move(actions)) {}

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
        launchStudio();
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
    launchStudio();
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
    const std::string url = developerPageUrl(actions_.baseHost ? actions_.baseHost() : "");
    log("Opening developer page: url=" + url);
    if (!platform::openUrl(url) && actions_.log)
        log("Could not open the developer page: " + lastErrorText());
    close();
    platform::postQuitMessage(mainThreadId_);
}

void CStudioProgressDialog::launchStudio() {
    if (actions_.launchStudio) actions_.launchStudio();
}

void CStudioProgressDialog::log(const std::string& line) {
    if (actions_.log) actions_.log(line);
}
