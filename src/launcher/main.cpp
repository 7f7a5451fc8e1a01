#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/simple_module.h"
#include "platform/process.h"

int main(int argc, char** argv) {
    const int exitCode = launcherMain(platform::programArguments(argc, argv));
    // Detached threads (a run still cleaning up, a silent run past its wait) may
    // still be working: end without running static destructors under them.
    std::fflush(nullptr);
    std::_Exit(exitCode & 0xFF);
}
