#include "support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> all;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos) all[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : extra) all[name] = value;
    std::vector<std::string> result;
    for (const auto& [name, value] : all) result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (auto& text : texts) result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

}  // namespace

namespace {

// In the forked child: isolate, wire the pipes, exec. Only async-signal-safe calls.
[[noreturn]] void execIsolated(char* const* argv, char* const* envp, int out, int err,
                               const ChildIsolation& isolation) {
    if (!isolation.bindMounts.empty()) {
        if (::unshare(CLONE_NEWNS) != 0) ::_exit(121);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ::_exit(122);
        for (const auto& [source, target] : isolation.bindMounts)
            if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0)
                ::_exit(123);
    }
    if (isolation.uid != 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(isolation.gid) != 0 ||
            ::setuid(isolation.uid) != 0)
            ::_exit(124);
    }
    if (!isolation.terminal) {
        const int input = ::open("/dev/null", O_RDONLY);
        ::dup2(input, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
    }
    ::execve(argv[0], argv, envp);
    ::_exit(127);
}

}  // namespace

ChildResult runChild(const std::vector<std::string>& argvIn,
                     const std::map<std::string, std::string>& environment, int timeoutMs,
                     const ChildIsolation* isolation, const ChildWatcher& watcher) {
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> argvTexts = argvIn;
    std::vector<std::string> envTexts = mergedEnvironment(environment);
    auto argv = pointers(argvTexts);
    auto envp = pointers(envTexts);
    pid_t pid = 0;
    int spawned = 0;
    if (isolation && isolation->terminal) {
        // The terminal replaces the output pipe; the error pipe stays empty.
        int terminal = -1;
        winsize size{};
        size.ws_col = 100;
        size.ws_row = 30;
        pid = ::forkpty(&terminal, nullptr, nullptr, &size);
        if (pid == 0) execIsolated(argv.data(), envp.data(), -1, -1, *isolation);
        if (pid < 0) spawned = errno;
        if (pid > 0) {
            ::close(outPipe[0]);
            outPipe[0] = terminal;
        }
    } else if (isolation) {
        pid = ::fork();
        if (pid == 0) execIsolated(argv.data(), envp.data(), outPipe[1], errPipe[1], *isolation);
        if (pid < 0) spawned = errno;
    } else {
        spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    ChildResult result;
    if (spawned != 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        throw std::runtime_error("cannot start " + argvIn[0] + ": " + std::strerror(spawned));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    bool timedOut = false;
    bool exited = false;
    int status = 0;
    rusage usage{};
    auto readAvailable = [&](int waitMs) {
        if (open == 0 || ::poll(fds, 2, waitMs) <= 0) return false;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(got));
            }
        }
        return true;
    };
    // Programs the child started may hold the pipes open after it ends, so the
    // child's own end, not the pipes' end, is what ends the wait.
    while (!exited) {
        if (std::chrono::steady_clock::now() >= deadline) {
            timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (watcher) watcher(pid);
        readAvailable(watcher ? 1 : 20);
        exited = ::wait4(pid, &status, WNOHANG, &usage) == pid;
    }
    while (readAvailable(0)) {
    }
    for (auto& fd : fds)
        if (fd.fd >= 0) ::close(fd.fd);
    if (!exited) ::wait4(pid, &status, 0, &usage);
    result.peakRssKib = usage.ru_maxrss;
    if (timedOut) {
        result.exitCode = -2;
    } else if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.exitCode = 128 + WTERMSIG(status);
    }
    return result;
}

std::string builtProgram(const std::string& relativePath) {
    return std::string(ZORBIT_BUILD_DIR) + "/" + relativePath;
}
