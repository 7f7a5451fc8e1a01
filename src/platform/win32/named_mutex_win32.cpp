// A Win32 mutex is owned per thread and freed, abandoned, when its holder dies.
#include <windows.h>

#include <stdexcept>

#include "platform/named_mutex.h"
#include "platform/win32/wide_text.h"

namespace platform {

struct NamedMutex::Impl {
    HANDLE handle = nullptr;
    // Takes through this object, given back when it goes, as a closed handle
    // would otherwise leave the mutex held until the thread ends.
    int heldByThisHandle = 0;
};

NamedMutex::NamedMutex(const std::string& name) : name_(name), impl_(std::make_unique<Impl>()) {
    impl_->handle = ::CreateMutexW(nullptr, FALSE, win32::toWide(name).c_str());
    if (!impl_->handle) throw std::runtime_error("Cannot create mutex " + name);
}

NamedMutex::~NamedMutex() {
    while (impl_->heldByThisHandle > 0 && ::ReleaseMutex(impl_->handle)) --impl_->heldByThisHandle;
    ::CloseHandle(impl_->handle);
}

WaitResult NamedMutex::wait(uint32_t timeoutMs) {
    switch (::WaitForSingleObject(impl_->handle, timeoutMs)) {
        case WAIT_OBJECT_0:
            ++impl_->heldByThisHandle;
            return WaitResult::Signaled;
        case WAIT_ABANDONED:
            ++impl_->heldByThisHandle;
            return WaitResult::Abandoned;
        case WAIT_TIMEOUT:
            return WaitResult::Timeout;
        default:
            return WaitResult::Failed;
    }
}

void NamedMutex::release() {
    if (impl_->heldByThisHandle > 0 && ::ReleaseMutex(impl_->handle)) --impl_->heldByThisHandle;
}

}  // namespace platform
