#pragma once
// The progress dialog as the run sees it. Every operation may be called from
// the run thread; the window itself belongs to the main thread.

#include <functional>
#include <optional>
#include <string>

class CMainDialog {
public:
    virtual ~CMainDialog() { cancelCallable_ = nullptr; }

    virtual int showMessageBox(const std::string& text, const std::string& caption,
                               unsigned type) = 0;
    virtual void create() = 0;
    virtual void close() = 0;
    virtual void setMessage(const std::string& text) = 0;
    virtual void setProgress(int percent) = 0;
    virtual void showError(const std::string& message,
                           const std::optional<std::string>& details = std::nullopt) = 0;
    virtual void showInfo(const std::string& message) = 0;
    virtual void setMarquee(bool on) = 0;
    virtual void showSuccess() {}
    virtual void show() = 0;
    virtual void enableCancel(bool enable) = 0;
    virtual void showCancel(bool visible) = 0;
    virtual void setTitle(const std::string& title) = 0;
    // Adds a show request (1: the delay is over, 2: the launcher mutex is held)
    // and shows the window once both are in.
    virtual void addShowRequest(int request) = 0;
    // Cancel asked for from another thread (a termination signal): the same
    // outcome as the Cancel button.
    virtual void requestCancel() {
        if (cancelCallable_) cancelCallable_();
    }
    // True while the install-success screen waits for the user.
    virtual bool successPromptShown() const { return false; }

    void setSilent(bool silent) { silent_ = silent; }
    bool silent() const { return silent_; }
    void setCancelCallable(std::function<void()> callable) {
        cancelCallable_ = std::move(callable);
    }

protected:
    bool silent_ = false;
    std::function<void()> cancelCallable_;
};
