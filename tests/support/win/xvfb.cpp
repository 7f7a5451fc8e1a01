// On Windows the desktop is always there (under Wine the test run's X server,
// which scripts/wine_run.sh gives every program): nothing to start.
#include "support/xvfb.h"

#include <cstdlib>

Xvfb::Xvfb() : pid_(1) {
    if (const char* display = std::getenv("DISPLAY")) display_ = display;
}

Xvfb::~Xvfb() = default;
