#pragma once
// The launcher's lifecycle: make the Bootstrapper, let it run by mode, pump the
// main thread's messages, then the epilogue and the exit code.

#include <string>
#include <vector>

#include "launcher/bootstrapper.h"

class CSimpleModule {
public:
    // argv as the runtime split it; element 0 is the program.
    static int WinMain(void* instance, const Bootstrapper::Factory& factory,
                       const std::vector<std::string>& argv);
};

// The process entry: "--version" alone shows the version, anything else runs.
int launcherMain(const std::vector<std::string>& argv);
