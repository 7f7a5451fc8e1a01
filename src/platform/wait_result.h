#pragma once

#include <cstdint>

namespace platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

enum class WaitResult {
    Signaled,   // obtained or signalled
    Abandoned,  // obtained, but its last holder died holding it
    Timeout,
    Failed,  // see the last error
};

}  // namespace platform
