// The desktop window system on Win32: a borderless 500x320 window drawn by hand
// (logo, message, image-like buttons) around a common-controls progress bar.
#include <windows.h>
// commctrl.h needs the types windows.h declares.
#include <commctrl.h>
#include <uxtheme.h>

#include <string>

#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "platform/png_file.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_drawing.h"
#include "platform/win32/window_layout.h"
#include "platform/window_system.h"

namespace platform {
namespace {

using namespace platform::win32;

constexpr wchar_t kWindowClass[] = L"ZorbitProgressWindow";
constexpr UINT_PTR kTickTimer = 1;
constexpr int kMarqueeStepMs = 30;

// The IDC_ names are resource ordinals, the same for the wide call.
HCURSOR systemCursor(LPSTR ordinal) {
    return LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(ordinal));
}

class Win32ProgressWindow final : public ProgressWindow {
public:
    explicit Win32ProgressWindow(const ProgressWindowContent& content) : content_(content) {
        RECT frame{0, 0, kWindowWidth, kWindowHeight};
        const DWORD style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        const int width = frame.right - frame.left, height = frame.bottom - frame.top;
        const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        window_ = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, L"", style, left, top, width,
                                  height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (window_) createBar();
    }

    ~Win32ProgressWindow() override { destroy(); }

    void setTitle(const std::string& title) override {
        if (window_) SetWindowTextW(window_, toWide(title).c_str());
    }
    void setMessage(const std::string& text) override {
        message_ = text;
        redraw();
    }
    void setProgress(int percent) override {
        if (marquee_ || !bar_) return;
        position_ = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
        SendMessageW(bar_, PBM_SETPOS, position_, 0);
    }
    void setMarquee(bool on) override {
        if (marquee_ == on || !bar_) return;
        marquee_ = on;
        LONG_PTR style = GetWindowLongPtrW(bar_, GWL_STYLE);
        style = on ? (style | PBS_MARQUEE) : (style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
        SetWindowLongPtrW(bar_, GWL_STYLE, style);
        SendMessageW(bar_, PBM_SETMARQUEE, on ? TRUE : FALSE, kMarqueeStepMs);
        // Leaving marquee mode shows the position from before it again.
        if (!on) SendMessageW(bar_, PBM_SETPOS, position_, 0);
    }
    void setCancel(bool visible, bool enabled) override {
        cancelVisible_ = visible;
        cancelEnabled_ = enabled;
        redraw();
    }
    void show() override {
        if (!window_) return;
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
        UpdateWindow(window_);
    }
    void showFinished(bool successScreen) override {
        finished_ = true;
        success_ = successScreen;
        cancelVisible_ = false;
        if (bar_) ShowWindow(bar_, SW_HIDE);
        redraw();
    }
    void destroy() override {
        if (!window_) return;
        HWND window = window_;
        window_ = nullptr;
        bar_ = nullptr;
        KillTimer(window, kTickTimer);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
    bool isVisible() const override { return window_ && IsWindowVisible(window_); }
    bool acceptsInput() const override { return window_ != nullptr; }
    void startTimer(unsigned periodMs, std::function<void()> tick) override {
        if (!window_) return;
        tick_ = std::move(tick);
        SetTimer(window_, kTickTimer, periodMs, nullptr);
    }

    HWND handle() const { return window_; }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self =
            reinterpret_cast<Win32ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && self->handle(window, message, wParam, lParam)) return 0;
        return DefWindowProcW(window, message, wParam, lParam);
    }

private:
    enum class Hot { None, Cancel, Launch, Link };

    void createBar() {
        // Inside the frame the window draws around it, as the bar's own edge.
        bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH,
                               kBarBox.x + 1, kBarBox.y + 1, kBarBox.w - 2, kBarBox.h - 2, window_,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!bar_) return;
        // A themed bar ignores its colours; the classic one takes the window's green.
        SetWindowTheme(bar_, L" ", L" ");
        SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
        SendMessageW(bar_, PBM_SETBARCOLOR, 0, RGB(6, 176, 37));
        SendMessageW(bar_, PBM_SETBKCOLOR, 0, RGB(230, 230, 230));
    }

    void redraw() {
        if (window_) InvalidateRect(window_, nullptr, FALSE);
    }

    Hot hitTest(int x, int y) const {
        if (!finished_ && cancelVisible_ && cancelEnabled_ && kCancelBox.contains(x, y))
            return Hot::Cancel;
        if (success_ && kLaunchBox.contains(x, y)) return Hot::Launch;
        if (success_ && kLinkBox.contains(x, y)) return Hot::Link;
        return Hot::None;
    }

    void draw(HDC dc) {
        fillBox(dc, {0, 0, kWindowWidth, kWindowHeight}, RGB(255, 255, 255));
        frameBox(dc, {0, 0, kWindowWidth, kWindowHeight}, RGB(184, 184, 184));
        drawLogo(dc, content_.logo);
        if (!finished_) {
            drawCentredText(dc, message_, kMessageBox, {11, false, RGB(25, 25, 25)});
            frameBox(dc, kBarBox, RGB(188, 188, 188));
            if (cancelVisible_)
                drawButton(dc, kCancelBox, content_.cancelLabel, hot_ == Hot::Cancel, false);
        }
        if (success_) {
            drawCentredText(dc, content_.successBanner, kBannerBox, {11, true, RGB(25, 25, 25)}, 4);
            drawButton(dc, kLaunchBox, content_.launchLabel, hot_ == Hot::Launch, true);
            // The text may run a little past the link's box; only the box is clickable.
            const bool hover = hot_ == Hot::Link;
            drawCentredText(dc, content_.linkLabel,
                            {kLinkBox.x - 30, kLinkBox.y, kLinkBox.w + 60, kLinkBox.h},
                            {8, false, hover ? RGB(0, 90, 200) : RGB(0, 120, 255)});
        }
    }

    // Drawn off screen first so the window never flickers through white.
    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, kWindowWidth, kWindowHeight);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        draw(memory);
        BitBlt(dc, 0, 0, kWindowWidth, kWindowHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        EndPaint(window_, &ps);
    }

    void track(int x, int y) {
        const Hot hot = hitTest(x, y);
        if (hot != hot_) {
            hot_ = hot;
            redraw();
        }
        TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, window_, 0};
        TrackMouseEvent(&leave);
    }

    // A release acts only inside the button it was pressed on.
    void release(int x, int y) {
        const Hot released = hitTest(x, y);
        const Hot pressed = pressed_;
        pressed_ = Hot::None;
        ReleaseCapture();
        if (released != pressed) return;
        if (released == Hot::Cancel && onCancelRequested) onCancelRequested();
        if (released == Hot::Launch && onLaunchRequested) onLaunchRequested();
        if (released == Hot::Link && onLinkRequested) onLinkRequested();
    }

    // The tick may destroy the window, which kills this timer.
    void tick() {
        const std::function<void()> tick = tick_;
        if (tick) tick();
    }

    bool handle(HWND window, UINT message, WPARAM, LPARAM lParam) {
        const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
        switch (message) {
            case WM_PAINT:
                if (window_ != window) return false;
                paint();
                return true;
            case WM_ERASEBKGND:
                return true;
            case WM_LBUTTONDOWN:
                pressed_ = hitTest(x, y);
                SetCapture(window);
                return true;
            case WM_LBUTTONUP:
                release(x, y);
                return true;
            case WM_MOUSEMOVE:
                track(x, y);
                return true;
            case WM_MOUSELEAVE:
                hot_ = Hot::None;
                redraw();
                return true;
            case WM_SETCURSOR:
                SetCursor(systemCursor(hot_ == Hot::None ? IDC_ARROW : IDC_HAND));
                return true;
            case WM_TIMER:
                tick();
                return true;
            case WM_CLOSE:
                // Closing the window from the desktop is a cancel.
                if (onCancelRequested) onCancelRequested();
                return true;
            default:
                return false;
        }
    }

    ProgressWindowContent content_;
    HWND window_ = nullptr;
    HWND bar_ = nullptr;
    std::string message_;
    bool marquee_ = false;
    int position_ = 0;
    std::function<void()> tick_;
    bool cancelVisible_ = false;
    bool cancelEnabled_ = true;
    bool finished_ = false;
    bool success_ = false;
    Hot hot_ = Hot::None;
    Hot pressed_ = Hot::None;
};

// The main thread's queue waits in the window messages; others wake it with a
// thread message, which GetMessageW returns like any other.
class Win32Pump final : public MessagePump {
public:
    Win32Pump() : thread_(GetCurrentThreadId()) {}
    void waitForWork() override {
        MSG message;
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) return;
        dispatch(message);
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) dispatch(message);
    }
    void wakeUp() override { PostThreadMessageW(thread_, WM_NULL, 0, 0); }

private:
    static void dispatch(const MSG& message) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DWORD thread_;
};

class Win32WindowSystem final : public WindowSystem {
public:
    int messageBox(const std::string& text, const std::string& caption, unsigned type) override {
        return MessageBoxW(nullptr, toWide(text).c_str(), toWide(caption).c_str(),
                           type | MB_SETFOREGROUND);
    }
    std::unique_ptr<ProgressWindow> createProgressWindow(
        const ProgressWindowContent& content) override {
        return std::make_unique<Win32ProgressWindow>(content);
    }
    Win32Pump pump;
};

// A service or a process on a hidden window station has no desktop to draw on.
bool hasVisibleWindowStation() {
    USEROBJECTFLAGS flags{};
    HWINSTA station = GetProcessWindowStation();
    if (!station) return false;
    if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool registerWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Win32ProgressWindow::procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = systemCursor(IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool initializeWindowSystem() {
    if (!hasVisibleWindowStation()) return false;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    if (!InitCommonControlsEx(&controls)) return false;
    if (!registerWindowClass()) return false;
    static Win32WindowSystem system;
    setMessagePump(&system.pump);
    WindowSystem::setActive(&system);
    return true;
}

namespace {

// Handles what is queued, so the window has painted what it was last told.
void paintPending(HWND window) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace

// For tests: the window's pixels as packed RGB rows, after pending drawing.
bool captureProgressWindow(ProgressWindow& window, std::string& rgb, int& width, int& height) {
    auto* win32Window = dynamic_cast<Win32ProgressWindow*>(&window);
    if (!win32Window || !win32Window->handle()) return false;
    HWND handle = win32Window->handle();
    paintPending(handle);
    HDC screen = GetDC(handle);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWindowWidth, kWindowHeight);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, kWindowWidth, kWindowHeight, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWindowWidth;
    info.bmiHeader.biHeight = -kWindowHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::string bgra(static_cast<size_t>(kWindowWidth) * kWindowHeight * 4, '\0');
    const int rows =
        GetDIBits(memory, bitmap, 0, kWindowHeight, bgra.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(handle, screen);
    if (rows != kWindowHeight) return false;
    width = kWindowWidth;
    height = kWindowHeight;
    rgb.clear();
    rgb.reserve(bgra.size() / 4 * 3);
    for (size_t i = 0; i < bgra.size(); i += 4) {
        rgb += bgra[i + 2];
        rgb += bgra[i + 1];
        rgb += bgra[i];
    }
    return true;
}

bool saveProgressWindowPng(ProgressWindow& window, const std::string& path) {
    std::string rgb;
    int width = 0;
    int height = 0;
    if (!captureProgressWindow(window, rgb, width, height)) return false;
    writePngFile(path, rgb, width, height);
    return true;
}

}  // namespace platform
