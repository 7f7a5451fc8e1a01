#pragma once
// Reading what the Studio stand-in recorded next to its executable.

#include <string>
#include <vector>

struct StandinStart {
    int pid = 0;
    std::vector<std::string> args;  // after the program, as received
};

// The records of "<executable>.args", oldest first; none when the file is missing.
std::vector<StandinStart> readStandinStarts(const std::string& executable);
// The lines of "<executable>.log" ("<pid> <event>").
std::vector<std::string> readStandinEvents(const std::string& executable);
