// The window lives on a thread of its own that only pumps its messages, so a
// WM_CLOSE is taken while the main thread waits or sleeps through a close delay.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "close_wait.h"

namespace {

constexpr wchar_t kWindowClass[] = L"ZorbitStudioStandin";
constexpr wchar_t kWindowTitle[] = L"Studio stand-in";
// Sent by the destructor: a window is destroyed by its own thread only.
constexpr UINT kDestroy = WM_APP;

}  // namespace

struct CloseRequests::State {
    std::mutex lock;
    std::condition_variable changed;
    int pending = 0;
    HWND window = nullptr;
    DWORD error = 0;  // why the window could not be created
    std::thread pump;

    void request() {
        std::lock_guard guard(lock);
        ++pending;
        changed.notify_all();
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        // WM_CLOSE only asks: the window stays until the process ends, so a
        // refused close leaves it there to be asked again.
        if (message == WM_CLOSE) {
            reinterpret_cast<State*>(::GetWindowLongPtrW(window, GWLP_USERDATA))->request();
            return 0;
        }
        if (message == kDestroy) ::DestroyWindow(window);
        if (message == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND createWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        ::RegisterClassW(&windowClass);
        HWND created = ::CreateWindowExW(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW,
                                         CW_USEDEFAULT, CW_USEDEFAULT, 320, 120, nullptr, nullptr,
                                         windowClass.hInstance, nullptr);
        if (!created) return nullptr;
        ::SetWindowLongPtrW(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::ShowWindow(created, SW_SHOWNOACTIVATE);
        return created;
    }

    void run() {
        HWND created = createWindow();
        {
            std::lock_guard guard(lock);
            window = created;
            if (!created) error = ::GetLastError();
            changed.notify_all();
        }
        if (!created) return;
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
};

CloseRequests::CloseRequests() : state_(std::make_unique<State>()) {
    state_->pump = std::thread([state = state_.get()] { state->run(); });
    std::unique_lock guard(state_->lock);
    state_->changed.wait(guard, [&] { return state_->window || state_->error; });
    if (!state_->window) {
        guard.unlock();
        state_->pump.join();
        throw std::runtime_error("the stand-in's window could not be created, error " +
                                 std::to_string(state_->error));
    }
}

CloseRequests::~CloseRequests() {
    ::PostMessageW(state_->window, kDestroy, 0, 0);
    state_->pump.join();
}

bool CloseRequests::wait(std::chrono::milliseconds timeout) {
    std::unique_lock guard(state_->lock);
    if (!state_->changed.wait_for(guard, timeout, [&] { return state_->pending > 0; }))
        return false;
    --state_->pending;
    return true;
}
