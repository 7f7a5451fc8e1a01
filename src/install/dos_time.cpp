#include "install/dos_time.h"

#include <ctime>
#include <mutex>

bool dosDateTimeToUnixTime(uint32_t dosDateTime, int64_t& seconds) {
    const uint32_t date = dosDateTime >> 16;
    const uint32_t time = dosDateTime & 0xFFFF;
    std::tm local{};
    local.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
    local.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
    local.tm_mday = static_cast<int>(date & 0x1F);
    local.tm_hour = static_cast<int>((time >> 11) & 0x1F);
    local.tm_min = static_cast<int>((time >> 5) & 0x3F);
    local.tm_sec = static_cast<int>(time & 0x1F) * 2;
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
        local.tm_min > 59 || local.tm_sec > 59)
        return false;
    // The archive's time is the packer's wall clock; let the C library decide
    // whether daylight saving time applied on that date.
    local.tm_isdst = -1;
    // mktime reloads the C library's time-zone state under a lock of its own that
    // the thread sanitizer cannot see; one lock here keeps concurrent unpacking
    // visibly ordered, at no cost worth measuring.
    static std::mutex zoneLock;
    std::time_t utc;
    {
        std::lock_guard guard(zoneLock);
        utc = std::mktime(&local);
    }
    if (utc == static_cast<std::time_t>(-1)) return false;
    seconds = static_cast<int64_t>(utc);
    return true;
}
