#pragma once
// Named blocks of memory shared between processes.

namespace platform {

class SharedMemory {
public:
    virtual ~SharedMemory() = default;
};

}  // namespace platform
