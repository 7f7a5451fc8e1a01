#include "net/speed_floor.h"

bool SpeedFloor::holds(Clock::time_point now, int64_t moved) {
    if (!started_ || moved < movedAtStart_) {
        started_ = true;
        windowStart_ = now;
        movedAtStart_ = moved;
        return true;
    }
    if (now - windowStart_ < window_) return true;
    if (moved - movedAtStart_ < bytesPerSecond_ * window_.count()) return false;
    windowStart_ = now;
    movedAtStart_ = moved;
    return true;
}
