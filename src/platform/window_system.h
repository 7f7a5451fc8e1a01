#pragma once
// The window system the launcher draws with: a desktop toolkit when a display
// is available, else the terminal. Only the main thread touches windows.

#include <functional>
#include <memory>
#include <string>

namespace platform {

// The launcher's progress window: logo, one message line, a progress bar and a
// Cancel button. All calls come from the main thread.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void setTitle(const std::string& title) = 0;
    virtual void setMessage(const std::string& text) = 0;
    virtual void setProgress(int percent) = 0;
    virtual void setMarquee(bool on) = 0;
    virtual void setCancel(bool visible, bool enabled) = 0;
    virtual void show() = 0;
    // The finished state: the message line, bar and Cancel disappear.
    virtual void showFinished() = 0;
    virtual void destroy() = 0;

    // Called on the main thread when the user asks to cancel or closes the window.
    std::function<void()> onCancelRequested;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned type) = 0;
    virtual std::unique_ptr<ProgressWindow> createProgressWindow() = 0;

    // The toolkit in use, or nullptr when there is none (terminal only).
    static WindowSystem* active();
    static void setActive(WindowSystem* system);
};

// The terminal's progress window: a live bar on a terminal, plain lines otherwise.
std::unique_ptr<ProgressWindow> createTerminalProgressWindow();

// The window for this process: the toolkit's when one is active, else the terminal's.
std::unique_ptr<ProgressWindow> createProgressWindow();

}  // namespace platform
