#include <windows.h>

#include "platform/clock.h"

namespace platform {
namespace {

constexpr int64_t kFileTimeOf1970 = 116444736000000000;  // 100 ns steps since 1601
constexpr int64_t kStepsPerMillisecond = 10000;

UtcTime fromSystemTime(const SYSTEMTIME& time) {
    return UtcTime{time.wYear,   time.wMonth,  time.wDay,         time.wHour,
                   time.wMinute, time.wSecond, time.wMilliseconds};
}

}  // namespace

uint32_t tickCount() {
    return ::GetTickCount();
}

int64_t unixTimeMilliseconds() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const int64_t steps =
        static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return (steps - kFileTimeOf1970) / kStepsPerMillisecond;
}

int64_t unixTimeSeconds() {
    return unixTimeMilliseconds() / 1000;
}

UtcTime toUtcTime(int64_t millisecondsSinceEpoch) {
    const uint64_t steps =
        static_cast<uint64_t>(millisecondsSinceEpoch * kStepsPerMillisecond + kFileTimeOf1970);
    FILETIME time{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
    SYSTEMTIME fields{};
    ::FileTimeToSystemTime(&time, &fields);
    return fromSystemTime(fields);
}

UtcTime utcNow() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return fromSystemTime(now);
}

void sleepMilliseconds(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

}  // namespace platform
