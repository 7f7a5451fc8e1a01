#pragma once
// Facts about the machine that the launcher's prerequisite checks need.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The processor has SSE2 (asked through CPUID on x86; other processors have no
// such requirement and answer true).
bool cpuHasSse2();

// Free bytes on the volume of path that the calling user may use; nullopt with
// the last error set when the system cannot tell.
std::optional<uint64_t> freeDiskBytes(const std::string& path);

struct OsVersionInfo {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t servicePackMajor = 0;
    uint32_t servicePackMinor = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
};

// The running system's version in the fields the launcher logs. On Linux: the
// kernel release's major, minor and patch (as build) numbers; service pack and
// platform id are 0.
OsVersionInfo osVersion();

// True when the system is recent enough to run the Studio.
bool osMeetsMinimum();

// True when the system has a browser component whose version the launcher must
// check (there is none on Linux).
bool hasSystemBrowserComponent();

}  // namespace platform
