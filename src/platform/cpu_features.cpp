// The processor check is the same on every system: CPUID, on x86 only.
#include "platform/system_info.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace platform {

bool cpuHasSse2() {
#if defined(__i386__) || defined(__x86_64__)
    const unsigned highest = __get_cpuid_max(0, nullptr);
    if (highest == 0) return false;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx & (1u << 26)) != 0;
#else
    return true;
#endif
}

}  // namespace platform
