#pragma once
// Wakes every delayed, stalled or throttled answer when the server stops.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zorbit::server {

class StopSignal {
public:
    void trigger() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    void reset() {
        std::lock_guard lock(mutex_);
        stopped_ = false;
    }
    // Sleeps up to the time given; true when the server stops meanwhile.
    bool waitFor(std::chrono::milliseconds time) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, time, [this] { return stopped_; });
    }
    void waitForever() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_; });
    }
    bool stopped() {
        std::lock_guard lock(mutex_);
        return stopped_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
};

}  // namespace zorbit::server
