#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/helper_program.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"

extern char** environ;

namespace platform {
namespace {

// Reaps the child; true once it has ended, with its exit code.
bool reaped(pid_t pid, int& exitCode) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done != pid) return done < 0;  // an error means there is nothing left to wait for
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

}  // namespace

int runHelperProgram(const std::string& program, const std::vector<std::string>& arguments,
                     uint32_t timeoutMs) {
    std::vector<std::string> owned{program};
    owned.insert(owned.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : owned) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                         0);
    pid_t pid = 0;
    const int result =
        ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        setLastError(win32ErrorFromErrno(result));
        return kHelperNotFound;
    }
    const uint32_t start = tickCount();
    int exitCode = 0;
    while (!reaped(pid, exitCode)) {
        if (tickCount() - start >= timeoutMs) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            setLastError(kErrorTimeout);
            return kHelperTimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // posix_spawnp reports a missing program as an exit of 127 from the child.
    if (exitCode == 127) {
        setLastError(kErrorFileNotFound);
        return kHelperNotFound;
    }
    return exitCode;
}

}  // namespace platform
