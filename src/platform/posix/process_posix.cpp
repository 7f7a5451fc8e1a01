#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"
#include "platform/process.h"

extern char** environ;

namespace platform {

namespace {

// This process's environment without the variables the extras set, then the extras.
std::vector<std::string> childEnvironment(const std::vector<std::string>& extras) {
    std::vector<std::string> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const auto& extra : extras)
            replaced = replaced || extra.compare(0, name.size(), name) == 0;
        if (!replaced) result.push_back(text);
    }
    result.insert(result.end(), extras.begin(), extras.end());
    return result;
}

}  // namespace

bool startProcess(const std::string& commandLine, ProcessInfo& info) {
    return startProcess(commandLine, info, {});
}

std::string takeEnvironmentValue(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value) return {};
    std::string text = value;
    ::unsetenv(name.c_str());
    return text;
}

bool startProcess(const std::string& commandLine, ProcessInfo& info,
                  const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> arguments = splitCommandLine(commandLine);
    if (arguments.empty() || arguments[0].empty()) {
        setLastError(kErrorFileNotFound);
        return false;
    }
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = childEnvironment(extraEnvironment);
    std::vector<char*> envp;
    for (auto& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The started program outlives the launcher and must not share its terminal
    // signals (a Ctrl-C in the launcher's terminal).
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int result =
        ::posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        setLastError(win32ErrorFromErrno(result));
        return false;
    }
    info.processId = pid;
    return true;
}

void releaseProcess(const ProcessInfo& info) {
    const pid_t pid = info.processId;
    if (pid <= 0) return;
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

bool waitForProcess(const ProcessInfo& info, uint32_t timeoutMs, int* exitCode) {
    const uint32_t start = tickCount();
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(info.processId, &status, WNOHANG);
        if (done == info.processId) {
            if (exitCode) {
                *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            return true;
        }
        if (done < 0) {
            setLastErrorFromErrno();
            return false;
        }
        if (tickCount() - start >= timeoutMs) {
            setLastError(kErrorWaitTimeout);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

uint32_t currentProcessId() {
    return static_cast<uint32_t>(::getpid());
}

uint32_t currentThreadId() {
    return static_cast<uint32_t>(::syscall(SYS_gettid));
}

std::string executablePath() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0) return {};
    path.resize(static_cast<size_t>(length));
    return path;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace platform
