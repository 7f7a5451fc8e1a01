#include "ui/progress_dialog.h"

#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/process.h"
#include "platform/window_system.h"
#include "ui/progress_window_content.h"

namespace {
const char* const kBoxCaption = "Vexmoor";
}

CProgressDialog::CProgressDialog(void* instance)
    : instance_(instance), mainThreadId_(platform::currentThreadId()) {}

CProgressDialog::~CProgressDialog() {
    close();
}

void CProgressDialog::onMainThread(const std::function<void()>& action) {
    platform::sendTask(mainThreadId_, action);
}

void CProgressDialog::createMainWindow(bool studioArtwork) {
    onMainThread([this, studioArtwork] {
        window_ = platform::createProgressWindow(studioArtwork ? studioWindowContent()
                                                               : brandWindowContent());
        window_->onCancelRequested = [this] { onCancelPressed(); };
        if (!title_.empty()) window_->setTitle(title_);
    });
}

// Cancel or the window closed by the user: the cancel callable runs and the
// main thread's loop ends.
void CProgressDialog::onCancelPressed() {
    if (destroyed_.exchange(true)) return;
    if (window_) window_->destroy();
    if (cancelCallable_) cancelCallable_();
    platform::postQuitMessage(mainThreadId_);
}

// Queued, not sent: the main thread may be past its loop already, and then
// nothing is left to cancel.
void CProgressDialog::requestCancel() {
    platform::postTask(mainThreadId_, [this] { onCancelPressed(); });
}

int CProgressDialog::showMessageBox(const std::string& text, const std::string& caption,
                                    unsigned type) {
    if (silent_) return platform::kIdNone;
    int answer = platform::kIdNone;
    onMainThread([&] { answer = platform::messageBox(text, caption, type); });
    return answer;
}

void CProgressDialog::close() {
    if (destroyed_.exchange(true)) return;
    onMainThread([this] {
        if (window_) window_->destroy();
    });
}

void CProgressDialog::setMessage(const std::string& text) {
    if (silent_) return;
    onMainThread([&] {
        if (window_) window_->setMessage(text);
    });
}

void CProgressDialog::setProgress(int percent) {
    if (silent_ || marquee_) return;
    onMainThread([&] {
        if (window_) window_->setProgress(percent);
    });
}

void CProgressDialog::setMarquee(bool on) {
    if (silent_ || marquee_ == on) return;
    marquee_ = on;
    onMainThread([&] {
        if (window_) window_->setMarquee(on);
    });
}

void CProgressDialog::showError(const std::string& message,
                                const std::optional<std::string>& details) {
    if (silent_) return;
    std::string text = message;
    if (details) text += "\n\nDetails: " + *details;
    showMessageBox(text, kBoxCaption, platform::kMbIconHand);
}

void CProgressDialog::showInfo(const std::string& message) {
    if (silent_) return;
    showMessageBox(message, kBoxCaption, platform::kMbOk);
}

void CProgressDialog::showSuccess() {
    enterFinishedState(false);
}

void CProgressDialog::enterFinishedState(bool successScreen) {
    done_ = true;
    onMainThread([this, successScreen] {
        if (window_) window_->showFinished(successScreen);
    });
}

void CProgressDialog::show() {
    if (silent_) return;
    shown_ = true;
    onMainThread([this] {
        if (window_) window_->show();
    });
}

void CProgressDialog::enableCancel(bool enable) {
    if (silent_ || done_) return;
    onMainThread([&] {
        if (window_) window_->setCancel(enable, enable);
    });
}

void CProgressDialog::showCancel(bool visible) {
    if (silent_ || done_) return;
    onMainThread([&] {
        if (window_) window_->setCancel(visible, true);
    });
}

void CProgressDialog::setTitle(const std::string& title) {
    title_ = title;
    onMainThread([&] {
        if (window_) window_->setTitle(title);
    });
}

void CProgressDialog::addShowRequest(int request) {
    const int mask = showRequests_.fetch_or(request) | request;
    if (mask == 3) show();
}
