#pragma once
// A mutex shared between processes by name. Its holder owns it per thread, as
// on Windows; when the holding process dies, the mutex is free again.

#include <memory>
#include <string>

#include "platform/wait_result.h"

namespace platform {

class NamedMutex {
public:
    // Creates or opens the mutex without taking it. Throws std::runtime_error
    // when the system refuses (the text names the mutex).
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Takes the mutex, waiting at most timeoutMs (kInfinite: no limit). The
    // holding thread may take it again; each take needs a release.
    WaitResult wait(uint32_t timeoutMs);
    void release();

    const std::string& name() const { return name_; }

private:
    struct Impl;
    std::string name_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
