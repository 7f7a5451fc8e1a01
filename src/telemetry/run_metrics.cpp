#include "telemetry/run_metrics.h"

#include "platform/clock.h"

double elapsedSeconds(uint32_t since) {
    return static_cast<double>(static_cast<float>(platform::tickCount() - since) / 1000.0f);
}
