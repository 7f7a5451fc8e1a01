#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "platform/posix/errno_error.h"
#include "platform/shell.h"

extern char** environ;

namespace platform {
namespace {

// xdg-open answers at once when nothing can open the URL; a browser it starts
// may keep it running, and that is success.
constexpr auto kVerdictWait = std::chrono::seconds(2);

// The exit code of the opener, or -1 when it still runs after the wait.
int awaitVerdict(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kVerdictWait;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        if (done < 0 && errno != EINTR) return 0;  // reaped elsewhere: nothing to judge
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

bool openUrl(const std::string& url) {
    std::string program = "xdg-open";
    std::string target = url;
    char* argv[] = {program.data(), target.data(), nullptr};
    pid_t pid = 0;
    const int result = ::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ);
    if (result != 0) {
        setLastError(win32ErrorFromErrno(result));
        return false;
    }
    const int exitCode = awaitVerdict(pid);
    if (exitCode < 0) {
        std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
        return true;
    }
    if (exitCode == 0) return true;
    setLastError(kErrorNoAssociation);
    return false;
}

}  // namespace platform
