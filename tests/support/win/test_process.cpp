// The tests' processes on Windows. There is no fork: a child that runs a part
// of the test's own code cannot be had, so those tests skip on Windows. Users
// and file owners are not POSIX ids here; what asks for them answers "no".
#include "support/test_process.h"

#include <windows.h>
// After windows.h:
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/elevation.h"

namespace test_process {

namespace {

[[noreturn]] void noChildren() {
    throw std::runtime_error("children running a part of the test need fork, which Windows lacks");
}

}  // namespace

Child::Child(const std::function<int()>&) {
    noChildren();
}

Child::~Child() = default;

Child::Child(Child&& other) noexcept
    : id_(other.id_), ended_(other.ended_), killed_(other.killed_), exitCode_(other.exitCode_) {
    other.ended_ = true;
}

void Child::reaped(int status) {
    ended_ = true;
    exitCode_ = status;
}

int Child::wait() {
    return exitCode_;
}

bool Child::hasEnded() {
    return true;
}

void Child::kill() {}

StartGate::StartGate() = default;
StartGate::~StartGate() = default;

bool StartGate::open(int) {
    return false;
}

bool StartGate::pass() {
    return false;
}

int runInChild(const std::function<int()>& body) {
    return Child(body).wait();
}

void killProcess(ProcessId processId) {
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(processId));
    if (!process) return;
    ::TerminateProcess(process, 137);
    ::CloseHandle(process);
}

void askToEnd(ProcessId) {
    throw std::runtime_error("Windows has no signal that asks a process to end");
}

bool interruptProcess(ProcessId) {
    // Ctrl+C reaches only the processes of one's own console.
    return false;
}

long peakMemoryKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

void resetPeakMemory() {
    // Windows keeps the peak for the process's life; trimming the working set
    // at least makes what follows count from a small base.
    ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1),
                               static_cast<SIZE_T>(-1));
}

bool runningUnderWine() {
    // Wine's ntdll names its version; Windows' has no such entry.
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

bool runningAsRoot() {
    return platform::isElevated();
}

unsigned currentUserId() {
    return 0;
}

bool becomeNobody() {
    return false;
}

bool giveToUser(const std::string&, unsigned, unsigned) {
    return false;
}

std::optional<unsigned> ownerOf(const std::string&) {
    return std::nullopt;
}

std::string userName(unsigned) {
    return "";
}

bool makeNamedPipe(const std::string&) {
    return false;
}

unsigned setCreationMask(unsigned) {
    return 0;
}

std::string uncreatableFolder(const std::string& name) {
    // '|' is never part of a file name.
    return "C:\\no|such|folder\\" + name;
}

int runShellCommand(const std::string& command, std::string& output) {
    std::FILE* pipe = ::_popen(command.c_str(), "rb");
    if (!pipe) return -1;
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
    return ::_pclose(pipe);
}

namespace {

// The C runtime's copy and the process's own block both change: the code
// under test reads either.
void setBoth(const std::string& name, const char* value) {
    ::_putenv_s(name.c_str(), value ? value : "");
    ::SetEnvironmentVariableA(name.c_str(), value);
}

// The tests name the temporary folder as POSIX does (TMPDIR); Windows asks TMP
// and TEMP. Their values from before the first change come back with TMPDIR's removal.
const char* const kWindowsTemporaryNames[] = {"TMP", "TEMP"};

std::optional<std::string>* savedTemporaryFolders() {
    static std::optional<std::string> saved[2];
    static const bool once = [] {
        for (int i = 0; i < 2; ++i)
            if (const char* value = std::getenv(kWindowsTemporaryNames[i])) saved[i] = value;
        return true;
    }();
    (void)once;
    return saved;
}

}  // namespace

void setEnvironmentValue(const std::string& name, const std::string& value) {
    if (name == "TMPDIR") {
        savedTemporaryFolders();
        for (const char* windowsName : kWindowsTemporaryNames) setBoth(windowsName, value.c_str());
    }
    setBoth(name, value.c_str());
}

void removeEnvironmentValue(const std::string& name) {
    if (name == "TMPDIR") {
        const std::optional<std::string>* saved = savedTemporaryFolders();
        for (int i = 0; i < 2; ++i)
            setBoth(kWindowsTemporaryNames[i], saved[i] ? saved[i]->c_str() : nullptr);
    }
    setBoth(name, nullptr);
}

}  // namespace test_process
