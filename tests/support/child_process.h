#pragma once
// Runs a program to its end for a test, with extra environment, capturing its
// output and exit code.

#include <map>
#include <string>
#include <vector>

struct ChildResult {
    int exitCode = -1;  // 128 + signal when killed; -2 on time-out (then killed)
    std::string out;
    std::string err;
};

ChildResult runChild(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& environment = {},
                     int timeoutMs = 60000);

// Path of a program built by this project, e.g. "src/ZorbitStudioLauncherBeta".
std::string builtProgram(const std::string& relativePath);
