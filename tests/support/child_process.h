#pragma once
// Runs a program to its end for a test, with extra environment, capturing its
// output and exit code.

#include <functional>
#include <map>
#include <string>
#include <vector>

struct ChildResult {
    int exitCode = -1;  // 128 + signal when killed; -2 on time-out (then killed)
    std::string out;
    std::string err;
    long peakRssKib = 0;  // the child's own peak resident memory (Linux only)
};

// How a child is kept away from the real machine: folders bound over machine
// folders in a mount namespace of its own (needs root), and a user to become.
struct ChildIsolation {
    std::vector<std::pair<std::string, std::string>>
        bindMounts;    // sandbox folder -> machine folder
    unsigned uid = 0;  // 0: stay who we are
    unsigned gid = 0;
    bool terminal = false;  // output (both streams, in ChildResult::out) to a pseudo-terminal
};

// Called about every millisecond while the child runs, with its process id
// (e.g. to kill it at a chosen moment).
using ChildWatcher = std::function<void(int pid)>;

ChildResult runChild(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& environment = {},
                     int timeoutMs = 60000, const ChildIsolation* isolation = nullptr,
                     const ChildWatcher& watcher = {});

// Path of a program built by this project, e.g. "src/ZorbitStudioLauncherBeta".
std::string builtProgram(const std::string& relativePath);
