#pragma once
// Events: signalled states that threads and processes wait on. A named event is
// shared by every process of the user that opens the same name.

#include <memory>
#include <string>

#include "platform/wait_result.h"

namespace platform {

class Event {
public:
    virtual ~Event() = default;
    virtual void set() = 0;
    virtual void reset() = 0;
    // An automatic-reset event is reset by the wait that it releases.
    virtual WaitResult wait(uint32_t timeoutMs) = 0;
    // Waits until a signal given here can no longer be lost when this process
    // closes its handles: a wait has taken it, or another process holds the
    // event open. False on time-out. An event of this process has no one else
    // to hand it to.
    virtual bool waitUntilReceivable(uint32_t /*timeoutMs*/) { return true; }

    // An event of this process only.
    static std::unique_ptr<Event> createUnnamed(bool manualReset, bool initiallySet);
    // Creates the named event, or opens it when it exists (then the two flags
    // are ignored). nullptr with the last error set on failure.
    static std::unique_ptr<Event> createNamed(const std::string& name, bool manualReset,
                                              bool initiallySet);
    // Opens an existing named event; nullptr with kErrorFileNotFound when there
    // is none.
    static std::unique_ptr<Event> openNamed(const std::string& name);
};

}  // namespace platform
