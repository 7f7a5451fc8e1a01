#include <signal.h>
#include <time.h>

#include "close_wait.h"

struct CloseRequests::State {
    sigset_t stopSignals;
};

// Blocked before any thread starts, so every thread leaves them to sigtimedwait.
CloseRequests::CloseRequests() : state_(std::make_unique<State>()) {
    sigemptyset(&state_->stopSignals);
    sigaddset(&state_->stopSignals, SIGTERM);
    sigaddset(&state_->stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &state_->stopSignals, nullptr);
}

CloseRequests::~CloseRequests() = default;

bool CloseRequests::wait(std::chrono::milliseconds timeout) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const timespec wait{
        static_cast<time_t>(seconds.count()),
        static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(timeout - seconds).count())};
    return sigtimedwait(&state_->stopSignals, nullptr, &wait) > 0;
}
