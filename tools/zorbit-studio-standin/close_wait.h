#pragma once
// How the stand-in hears that it is asked to close, as the Studio does on each
// system: SIGTERM or SIGINT on Linux; on Windows, where the launcher posts
// WM_CLOSE to a program's visible top-level windows, WM_CLOSE to a small window
// of its own ("Studio stand-in").

#include <chrono>
#include <memory>

class CloseRequests {
public:
    // Listens from here on, so a request that comes early is kept for wait.
    CloseRequests();
    ~CloseRequests();
    CloseRequests(const CloseRequests&) = delete;
    CloseRequests& operator=(const CloseRequests&) = delete;

    // True when a close was asked before the timeout; each request is answered once.
    bool wait(std::chrono::milliseconds timeout);

private:
    struct State;
    std::unique_ptr<State> state_;
};
