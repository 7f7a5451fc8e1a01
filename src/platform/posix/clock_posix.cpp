#include <time.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace platform {

uint32_t tickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

int64_t unixTimeMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t unixTimeSeconds() {
    return unixTimeMilliseconds() / 1000;
}

UtcTime toUtcTime(int64_t millisecondsSinceEpoch) {
    int64_t seconds = millisecondsSinceEpoch / 1000;
    int64_t millis = millisecondsSinceEpoch % 1000;
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    const time_t t = static_cast<time_t>(seconds);
    tm fields{};
    ::gmtime_r(&t, &fields);
    return UtcTime{fields.tm_year + 1900,   fields.tm_mon + 1, fields.tm_mday,
                   fields.tm_hour,          fields.tm_min,     fields.tm_sec,
                   static_cast<int>(millis)};
}

UtcTime utcNow() {
    return toUtcTime(unixTimeMilliseconds());
}

void sleepMilliseconds(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
