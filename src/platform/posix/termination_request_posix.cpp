// SIGINT and SIGTERM reach a thread of their own through a pipe: a signal
// handler may do almost nothing, the program's handler may do anything.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

#include "platform/termination_request.h"

namespace platform {
namespace {

int wakePipe[2] = {-1, -1};
std::atomic<bool> requested{false};
std::mutex handlerLock;
std::function<void()>& handler() {
    static std::function<void()> installed;
    return installed;
}

void onSignal(int number) {
    if (requested.exchange(true)) {
        // Asked twice: end now, as without a handler.
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    errno = saved;
}

void watch() {
    char byte = 0;
    for (;;) {
        const ssize_t got = ::read(wakePipe[0], &byte, 1);
        if (got == 1) break;
        if (got < 0 && errno == EINTR) continue;
        return;
    }
    std::function<void()> run;
    {
        std::lock_guard guard(handlerLock);
        run = handler();
    }
    if (run) run();
}

void installOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (::pipe2(wakePipe, O_CLOEXEC) != 0) return;
        std::thread(watch).detach();
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // Calls in progress on other threads go on after the handler.
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, nullptr);
        ::sigaction(SIGTERM, &action, nullptr);
    });
}

}  // namespace

void setTerminationHandler(std::function<void()> newHandler) {
    {
        std::lock_guard guard(handlerLock);
        handler() = std::move(newHandler);
    }
    installOnce();
}

}  // namespace platform
