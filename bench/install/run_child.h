#pragma once
// Runs a program and waits for it, with its wall time and its resource use.

#include <string>
#include <vector>

struct ChildRun {
    int status = -1;  // exit status, -1 when it did not exit normally
    double wallSeconds = 0;
    double cpuSeconds = 0;  // user and system
    long peakRssKib = 0;
    std::string output;  // its standard output
};

// argv[0] is the program (looked up in PATH).
ChildRun runChild(const std::vector<std::string>& argv);
