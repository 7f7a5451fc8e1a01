#include "telemetry/telemetry_time_bound.h"

#include <algorithm>
#include <atomic>

namespace {
// Written by the settings load on the run thread, read by every thread.
std::atomic<int> timeoutOverrideMs{0};
}  // namespace

void setTelemetryTimeoutOverride(int milliseconds) {
    timeoutOverrideMs = std::max(milliseconds, 0);
}

std::chrono::milliseconds telemetryTimeout(int defaultMs) {
    const int requested = timeoutOverrideMs.load();
    if (requested <= 0) return std::chrono::milliseconds(defaultMs);
    return std::chrono::milliseconds(std::clamp(requested, kShortestTelemetryRequestMs, defaultMs));
}
