#pragma once
// Why the tests under Wine cannot run here; empty when they can.

#include <string>

inline std::string& wineEnvironmentProblem() {
    static std::string problem;
    return problem;
}
