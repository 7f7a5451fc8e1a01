#pragma once
// Short-lived helper programs of the desktop (database refreshers and the like),
// run to their end with a bound on the wait.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum : int {
    kHelperNotFound = -1,  // the program is not installed or cannot be started
    kHelperTimedOut = -2,  // it did not end in time and was stopped
};

// Runs the program (searched on PATH when it holds no separator) with the
// arguments, its input and output connected to nothing, and waits at most
// timeoutMs for it. Answers its exit code, or one of the values above.
int runHelperProgram(const std::string& program, const std::vector<std::string>& arguments,
                     uint32_t timeoutMs);

}  // namespace platform
