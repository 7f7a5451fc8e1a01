#pragma once
// MS-DOS date and time, as zip archives store them: local time, two-second steps.

#include <cstdint>

// Seconds since 1970 UTC of the local MS-DOS date (high 16 bits) and time (low
// 16 bits). False for a date or time that cannot be (month 13, hour 25, ...).
bool dosDateTimeToUnixTime(uint32_t dosDateTime, int64_t& seconds);
