#pragma once
// Time as the launcher measures it.

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 32 bits like a tick count.
uint32_t tickCount();

// A calendar instant in UTC, split into fields.
struct UtcTime {
    int year;
    int month;  // 1-12
    int day;
    int hour;
    int minute;
    int second;
    int millisecond;
};

UtcTime utcNow();
UtcTime toUtcTime(int64_t millisecondsSinceEpoch);
// Whole milliseconds since 1970-01-01 UTC.
int64_t unixTimeMilliseconds();
// Whole seconds since 1970-01-01 UTC.
int64_t unixTimeSeconds();

void sleepMilliseconds(uint32_t milliseconds);

}  // namespace platform
