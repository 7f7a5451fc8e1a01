// OS-independent: an event inside one process.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/event.h"

namespace platform {
namespace {

class UnnamedEvent final : public Event {
public:
    UnnamedEvent(bool manualReset, bool initiallySet)
        : manualReset_(manualReset), state_(initiallySet) {}

    void set() override {
        std::lock_guard guard(lock_);
        state_ = true;
        if (manualReset_) {
            changed_.notify_all();
        } else {
            changed_.notify_one();
        }
    }

    void reset() override {
        std::lock_guard guard(lock_);
        state_ = false;
    }

    WaitResult wait(uint32_t timeoutMs) override {
        std::unique_lock guard(lock_);
        auto isSet = [this] { return state_; };
        if (timeoutMs == kInfinite) {
            changed_.wait(guard, isSet);
        } else if (!changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), isSet)) {
            return WaitResult::Timeout;
        }
        if (!manualReset_) state_ = false;
        return WaitResult::Signaled;
    }

private:
    const bool manualReset_;
    bool state_;
    std::mutex lock_;
    std::condition_variable changed_;
};

}  // namespace

std::unique_ptr<Event> Event::createUnnamed(bool manualReset, bool initiallySet) {
    return std::make_unique<UnnamedEvent>(manualReset, initiallySet);
}

}  // namespace platform
