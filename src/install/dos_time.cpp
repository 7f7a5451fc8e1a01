#include "install/dos_time.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

namespace {

bool convert(uint32_t dosDateTime, int64_t& seconds) {
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

// The entries of a package mostly share a time: each thread keeps its last
// answer, under the time zone it was found in.
struct LastConversion {
    bool known = false;
    uint32_t dosDateTime = 0;
    std::string zone;
    int64_t seconds = 0;
};

}  // namespace

bool dosDateTimeToUnixTime(uint32_t dosDateTime, int64_t& seconds) {
    thread_local LastConversion last;
    const char* zone = std::getenv("TZ");
    const std::string_view zoneText = zone ? zone : "\n";
    if (last.known && last.dosDateTime == dosDateTime && last.zone == zoneText) {
        seconds = last.seconds;
        return true;
    }
    if (!convert(dosDateTime, seconds)) return false;
    last = LastConversion{true, dosDateTime, std::string(zoneText), seconds};
    return true;
}
