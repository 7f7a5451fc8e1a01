#pragma once
// The slowest a transfer may go: the bytes it moves over each whole window
// must average at least the floor. A window's total, not libcurl's few-second
// speed sample, so a server that sends a burst now and then and nothing in
// between stays below the floor as surely as one that drips.

#include <chrono>
#include <cstdint>

class SpeedFloor {
public:
    using Clock = std::chrono::steady_clock;

    SpeedFloor(int64_t bytesPerSecond, std::chrono::seconds window)
        : bytesPerSecond_(bytesPerSecond), window_(window) {}

    // Takes the bytes moved so far (both ways) at a moment of the transfer;
    // false once a whole window moved less than the floor asks.
    bool holds(Clock::time_point now, int64_t moved);

    int64_t bytesPerSecond() const { return bytesPerSecond_; }
    std::chrono::seconds window() const { return window_; }

private:
    int64_t bytesPerSecond_;
    std::chrono::seconds window_;
    bool started_ = false;
    Clock::time_point windowStart_;
    int64_t movedAtStart_ = 0;
};
