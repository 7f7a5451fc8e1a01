// A console's Ctrl-C, Ctrl-Break, close, logoff or shutdown arrives on a
// thread the system starts for it, where the program's handler may run as it
// is. The system ends the process when the handler returns from a close, so
// the handler waits there for the program to end the run.
#include <windows.h>

#include <atomic>
#include <mutex>

#include "platform/termination_request.h"

namespace platform {
namespace {

std::atomic<bool> requested{false};
std::mutex handlerLock;
std::function<void()>& handler() {
    static std::function<void()> installed;
    return installed;
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (requested.exchange(true)) return FALSE;  // asked twice: the default, which ends it
    std::function<void()> run;
    {
        std::lock_guard guard(handlerLock);
        run = handler();
    }
    if (run) run();
    // After a close, logoff or shutdown the process ends once this returns.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) ::Sleep(INFINITE);
    return TRUE;
}

void installOnce() {
    static std::once_flag once;
    std::call_once(once, [] { ::SetConsoleCtrlHandler(onConsoleEvent, TRUE); });
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
