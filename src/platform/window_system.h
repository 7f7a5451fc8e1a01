#pragma once
// The window system the launcher draws with: a desktop toolkit when a display
// is available, else the terminal. Only the main thread touches windows.

#include <cstdint>
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
    // The finished state: the message line, bar and Cancel disappear; with the
    // success screen, the banner, the launch button and the link appear.
    virtual void showFinished(bool successScreen) = 0;
    virtual void destroy() = 0;
    virtual bool isVisible() const = 0;
    // Whether the user can press the window's buttons.
    virtual bool acceptsInput() const { return false; }
    // Calls tick on the main thread every periodMs until the window is
    // destroyed; a window without an event loop of its own never calls it.
    virtual void startTimer(unsigned periodMs, std::function<void()> tick) {
        (void)periodMs;
        (void)tick;
    }

    // Called on the main thread when the user asks to cancel or closes the window,
    // presses the launch button, or follows the link.
    std::function<void()> onCancelRequested;
    std::function<void()> onLaunchRequested;
    std::function<void()> onLinkRequested;
};

// The logo at the top of a progress window: a white letter on a coloured shape.
struct WindowLogo {
    enum class Shape { Disc, RoundedSquare };
    Shape shape = Shape::Disc;
    uint8_t red = 0, green = 0, blue = 0;
    std::string letter;
};

// What a progress window shows of the product, supplied by its caller: the
// window system draws these and knows no product of its own.
struct ProgressWindowContent {
    WindowLogo logo;
    std::string cancelLabel;
    // The success screen's banner (its lines separated by '\n'), its button
    // and its link.
    std::string successBanner;
    std::string launchLabel;
    std::string linkLabel;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual int messageBox(const std::string& text, const std::string& caption, unsigned type) = 0;
    virtual std::unique_ptr<ProgressWindow> createProgressWindow(
        const ProgressWindowContent& content) = 0;

    // The toolkit in use, or nullptr when there is none (terminal only).
    static WindowSystem* active();
    static void setActive(WindowSystem* system);
};

// The terminal's progress window: a live bar on a terminal, plain lines otherwise.
std::unique_ptr<ProgressWindow> createTerminalProgressWindow();

// The window for this process: the toolkit's when one is active, else the terminal's.
std::unique_ptr<ProgressWindow> createProgressWindow(const ProgressWindowContent& content);

// Starts the desktop toolkit on the calling (main) thread when a display is
// available and makes it the active window system. False when there is none.
bool initializeWindowSystem();

}  // namespace platform

namespace platform {
// For tests: the window's pixels as packed RGB rows, and a PNG of it.
bool captureProgressWindow(ProgressWindow& window, std::string& rgb, int& width, int& height);
bool saveProgressWindowPng(ProgressWindow& window, const std::string& path);
}  // namespace platform
