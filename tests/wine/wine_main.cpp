// The tests that run the Windows launcher under Wine share one X server (Wine
// leaves a display-less desktop behind in a prefix that once ran without one)
// and a hosts file that knows the local platform server's names.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/xvfb.h"
#include "wine/support/private_hosts.h"
#include "wine/support/wine_environment.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    wineEnvironmentProblem() = bindPrivateHosts();
    Xvfb display;
    if (!display.running()) std::fprintf(stderr, "no X server: Wine runs without a display\n");
    return RUN_ALL_TESTS();
}
