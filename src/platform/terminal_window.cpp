// The progress window drawn on the terminal (standard error): a live bar when
// it redraws in place, one plain line per message when it does not.
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/console.h"
#include "platform/window_system.h"

namespace platform {
namespace {

constexpr int kBarWidth = 30;

class TerminalProgressWindow final : public ProgressWindow {
public:
    TerminalProgressWindow() : live_(standardErrorRedrawsInPlace()) {}
    ~TerminalProgressWindow() override { destroy(); }

    void setTitle(const std::string& title) override { title_ = title; }

    void setMessage(const std::string& text) override {
        if (text == message_) return;
        message_ = text;
        if (!shown_) return;
        if (live_) {
            redraw();
        } else {
            std::fprintf(stderr, "%s\n", message_.c_str());
        }
    }

    void setProgress(int percent) override {
        percent_ = percent;
        if (shown_ && live_) redraw();
    }

    void setMarquee(bool on) override {
        marquee_ = on;
        if (shown_ && live_) redraw();
    }

    void setCancel(bool, bool) override {}

    void show() override {
        if (shown_ || destroyed_) return;
        shown_ = true;
        if (!title_.empty()) std::fprintf(stderr, "%s\n", title_.c_str());
        if (live_) {
            redraw();
        } else if (!message_.empty()) {
            std::fprintf(stderr, "%s\n", message_.c_str());
        }
    }

    void showFinished(bool) override { endLine(); }
    bool isVisible() const override { return shown_ && !destroyed_; }

    void destroy() override {
        endLine();
        destroyed_ = true;
    }

private:
    void redraw() {
        std::string bar(kBarWidth, marquee_ ? '~' : ' ');
        if (!marquee_) {
            const int filled = percent_ * kBarWidth / 100;
            for (int i = 0; i < filled && i < kBarWidth; ++i) bar[i] = '#';
        }
        std::string text = message_.substr(0, 60);
        if (marquee_) {
            std::fprintf(stderr, "\r\033[K[%s] %s", bar.c_str(), text.c_str());
        } else {
            std::fprintf(stderr, "\r\033[K[%s] %3d%% %s", bar.c_str(), percent_, text.c_str());
        }
        std::fflush(stderr);
        lineOpen_ = true;
    }

    void endLine() {
        if (lineOpen_) std::fprintf(stderr, "\n");
        lineOpen_ = false;
    }

    const bool live_;
    bool shown_ = false;
    bool destroyed_ = false;
    bool lineOpen_ = false;
    bool marquee_ = false;
    int percent_ = 0;
    std::string title_;
    std::string message_;
};

}  // namespace

std::unique_ptr<ProgressWindow> createTerminalProgressWindow() {
    return std::make_unique<TerminalProgressWindow>();
}

}  // namespace platform
