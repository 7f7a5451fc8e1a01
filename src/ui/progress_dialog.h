#pragma once
// The launcher's progress window: message line, progress bar and Cancel.

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/window_system.h"
#include "ui/main_dialog.h"

class CProgressDialog : public CMainDialog {
public:
    explicit CProgressDialog(void* instance);
    ~CProgressDialog() override;

    int showMessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    void create() override {}
    void close() override;
    void setMessage(const std::string& text) override;
    void setProgress(int percent) override;
    void showError(const std::string& message,
                   const std::optional<std::string>& details = std::nullopt) override;
    void showInfo(const std::string& message) override;
    void setMarquee(bool on) override;
    void showSuccess() override;
    void show() override;
    void enableCancel(bool enable) override;
    void showCancel(bool visible) override;
    void setTitle(const std::string& title) override;
    void addShowRequest(int request) override;
    void requestCancel() override;

    bool successPromptShown() const override { return successShown_; }
    bool isShown() const { return shown_; }
    platform::ProgressWindow* window() { return window_.get(); }
    bool isDone() const { return done_; }
    bool isDestroyed() const { return destroyed_; }

protected:
    // Creates the window on the main thread and wires its Cancel.
    void createMainWindow(bool studioArtwork = false);
    // The finished state; the Studio variant adds its success screen.
    void enterFinishedState(bool successScreen);
    // Runs on the main thread and waits, as a synchronous window message does.
    void onMainThread(const std::function<void()>& action);
    void onCancelPressed();

    void* instance_;
    uint32_t mainThreadId_;
    std::unique_ptr<platform::ProgressWindow> window_;
    std::string title_;
    std::atomic<int> showRequests_{0};
    std::atomic<bool> done_{false};
    std::atomic<bool> destroyed_{false};
    std::atomic<bool> shown_{false};
    std::atomic<bool> marquee_{false};
    std::atomic<bool> successShown_{false};
};
