#pragma once
// Named blocks of memory shared between the user's processes.

#include <cstddef>
#include <memory>
#include <string>

namespace platform {

class SharedMemory {
public:
    virtual ~SharedMemory() = default;
    virtual void* data() = 0;
    virtual size_t size() const = 0;

    // Creates the named block, zero-filled, or opens it when it exists. nullptr
    // with the last error set on failure.
    static std::unique_ptr<SharedMemory> createOrOpen(const std::string& name, size_t size);
};

}  // namespace platform
