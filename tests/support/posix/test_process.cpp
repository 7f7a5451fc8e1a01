// The tests' processes on POSIX: children are forks of the test's process.
#include "support/test_process.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace test_process {

Child::Child(const std::function<int()>& body) {
    id_ = ::fork();
    if (id_ < 0) throw std::runtime_error("fork failed");
    if (id_ != 0) return;
    int code = 125;
    try {
        code = body();
    } catch (...) {
    }
    // The test's own exit handlers and destructors belong to the parent.
    ::_exit(code);
}

Child::Child(Child&& other) noexcept
    : id_(other.id_), ended_(other.ended_), killed_(other.killed_), exitCode_(other.exitCode_) {
    other.ended_ = true;
}

Child::~Child() {
    if (ended_) return;
    kill();
    wait();
}

void Child::reaped(int status) {
    ended_ = true;
    killed_ = WIFSIGNALED(status);
    exitCode_ = killed_ ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int Child::wait() {
    if (ended_) return exitCode_;
    int status = 0;
    while (::waitpid(id_, &status, 0) < 0) {
        if (errno != EINTR) {
            ended_ = true;
            return exitCode_;
        }
    }
    reaped(status);
    return exitCode_;
}

bool Child::hasEnded() {
    if (ended_) return true;
    int status = 0;
    const pid_t done = ::waitpid(id_, &status, WNOHANG);
    if (done == id_) reaped(status);
    if (done < 0 && errno != EINTR) ended_ = true;
    return ended_;
}

void Child::kill() {
    if (!ended_) ::kill(id_, SIGKILL);
}

StartGate::StartGate() {
    if (::pipe(ends_) != 0) throw std::runtime_error("pipe failed");
}

StartGate::~StartGate() {
    ::close(ends_[0]);
    ::close(ends_[1]);
}

bool StartGate::open(int children) {
    const std::string tokens(static_cast<size_t>(children), 'g');
    return ::write(ends_[1], tokens.data(), tokens.size()) == static_cast<ssize_t>(tokens.size());
}

bool StartGate::pass() {
    char token;
    return ::read(ends_[0], &token, 1) == 1;
}

int runInChild(const std::function<int()>& body) {
    return Child(body).wait();
}

void killProcess(ProcessId processId) {
    ::kill(processId, SIGKILL);
}

void askToEnd(ProcessId processId) {
    ::kill(processId, SIGTERM);
}

bool interruptProcess(ProcessId processId) {
    return ::kill(processId, SIGINT) == 0;
}

long peakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

void resetPeakMemory() {
    // 5 resets the high-water mark of the resident set.
    std::ofstream("/proc/self/clear_refs") << "5";
}

bool runningUnderWine() {
    return false;
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

unsigned currentUserId() {
    return ::geteuid();
}

bool becomeNobody() {
    return ::setresgid(kNobodyId, kNobodyId, kNobodyId) == 0 &&
           ::setresuid(kNobodyId, kNobodyId, kNobodyId) == 0;
}

bool giveToUser(const std::string& path, unsigned uid, unsigned gid) {
    return ::lchown(path.c_str(), uid, gid) == 0;
}

std::optional<unsigned> ownerOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
    return info.st_uid;
}

std::string userName(unsigned uid) {
    const passwd* entry = ::getpwuid(uid);
    return entry ? entry->pw_name : "";
}

bool makeNamedPipe(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

unsigned setCreationMask(unsigned mask) {
    return ::umask(static_cast<mode_t>(mask));
}

std::string uncreatableFolder(const std::string& name) {
    // The kernel's process file system takes no new entries from anyone.
    return "/proc/no-such-folder/" + name;
}

int runShellCommand(const std::string& command, std::string& output) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void setEnvironmentValue(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

void removeEnvironmentValue(const std::string& name) {
    ::unsetenv(name.c_str());
}

}  // namespace test_process
