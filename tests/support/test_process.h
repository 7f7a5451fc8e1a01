#pragma once
// Processes as the tests need them: children that run a part of the test,
// ending other processes, and who the test runs as. The tests reach the OS's
// process calls only through here (the implementation is in support/posix/).

#include <functional>
#include <optional>
#include <string>

namespace test_process {

// A process as the OS numbers it.
using ProcessId = int;

// A child that runs body, a part of the test, in a process of its own (on
// POSIX a fork of the test's process) and ends with body's answer as its exit
// code. A child still running when destroyed is killed and reaped.
class Child {
public:
    explicit Child(const std::function<int()>& body);
    ~Child();
    Child(Child&& other) noexcept;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    Child& operator=(Child&&) = delete;

    ProcessId id() const { return id_; }
    // Waits for the end: the exit code, or 128 + the signal that ended it.
    int wait();
    // Whether it has ended, without waiting; then wait() answers at once.
    bool hasEnded();
    // Ends it at once, with no chance to clean up.
    void kill();
    // After the end: whether a signal ended it rather than an exit.
    bool wasKilled() const { return killed_; }

private:
    void reaped(int status);

    ProcessId id_ = -1;
    bool ended_ = false;
    bool killed_ = false;
    int exitCode_ = -1;
};

// Holds children back until the test lets them all go at once. Made before
// the children, so they share it.
class StartGate {
public:
    StartGate();
    ~StartGate();
    StartGate(const StartGate&) = delete;
    StartGate& operator=(const StartGate&) = delete;

    // Lets that many waiting children go.
    bool open(int children);
    // In a child: waits until the test opens the gate; false when it never can.
    bool pass();

private:
    int ends_[2] = {-1, -1};
};

// Runs body in a child and answers its exit code (128 + signal when killed).
int runInChild(const std::function<int()>& body);

// Ends the process at once (SIGKILL on POSIX).
void killProcess(ProcessId processId);
// Asks the process to end, as the desktop does at log-off (SIGTERM on POSIX).
void askToEnd(ProcessId processId);
// Interrupts the process as Ctrl+C in its terminal would (SIGINT on POSIX);
// false when there is no such process.
bool interruptProcess(ProcessId processId);

// The test process's peak memory in use (resident) in KiB, -1 when unknown.
long peakMemoryKiB();
// Lowers that peak to what is in use now, so a later peak belongs to what follows.
void resetPeakMemory();

// Whether the test runs under Wine, which differs from Windows in places.
bool runningUnderWine();

// Whether the test runs with the administrator's rights (root).
bool runningAsRoot();
// The running user's id, as the platform names per-user objects.
unsigned currentUserId();
// In a child: becomes the unprivileged nobody account for good. False when
// that is refused.
bool becomeNobody();
// The unprivileged account's user and group id (nobody).
constexpr unsigned kNobodyId = 65534;
// Gives a file or folder (a link itself, not its target) to another user;
// false when that is refused.
bool giveToUser(const std::string& path, unsigned uid, unsigned gid);
// The user a file or folder (a link itself, not its target) belongs to; none
// when it cannot be looked at.
std::optional<unsigned> ownerOf(const std::string& path);
// The account name of a user id; empty when there is none.
std::string userName(unsigned uid);

// Makes a named pipe (a FIFO) at path; false when that is refused.
bool makeNamedPipe(const std::string& path);

// Sets the process's mask of the rights new files never get; answers the old one.
unsigned setCreationMask(unsigned mask);

// A folder under which nothing can ever be created, whoever asks.
std::string uncreatableFolder(const std::string& name);

// Runs a command line through the shell; its standard output in output.
// Answers the exit code, or -1 when it could not run or did not exit.
int runShellCommand(const std::string& command, std::string& output);

// Sets a variable of the test process's environment, or removes it.
void setEnvironmentValue(const std::string& name, const std::string& value);
void removeEnvironmentValue(const std::string& name);

}  // namespace test_process
