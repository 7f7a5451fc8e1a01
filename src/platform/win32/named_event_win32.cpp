// Named Win32 events. The kernel drops an event with its last handle, so a
// signal meant for another process is held here until that process has the
// event open or a wait has taken it: ntdll tells both, the event's handle count
// over all processes and its state without a wait that would take it.
#include <windows.h>
#include <winternl.h>

#include <map>
#include <mutex>
#include <thread>

#include "platform/event.h"
#include "platform/last_error.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

constexpr DWORD kEventQueryState = 0x0001;  // the access right NtQueryEvent needs
constexpr DWORD kEventAccess = EVENT_MODIFY_STATE | kEventQueryState | SYNCHRONIZE;

struct EventBasicInformation {
    LONG type;
    LONG state;
};

using QueryObject = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
using QueryEvent = NTSTATUS(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

template <typename Function>
Function ntdllEntry(const char* name) {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    FARPROC entry = ntdll ? ::GetProcAddress(ntdll, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(entry));
}

// Handles open on the event in every process; 0 when the system does not say.
ULONG handleCount(HANDLE event) {
    static const auto query = ntdllEntry<QueryObject>("NtQueryObject");
    PUBLIC_OBJECT_BASIC_INFORMATION information{};
    if (!query ||
        query(event, ObjectBasicInformation, &information, sizeof information, nullptr) < 0)
        return 0;
    return information.HandleCount;
}

// True when the event is set; an unknown state counts as set.
bool isSet(HANDLE event) {
    static const auto query = ntdllEntry<QueryEvent>("NtQueryEvent");
    EventBasicInformation information{};
    if (!query || query(event, 0, &information, sizeof information, nullptr) < 0) return true;
    return information.state != 0;
}

// Handles this process holds per name, so that handles beyond them are known to
// be other processes'.
std::mutex localHandlesLock;
std::map<std::string, ULONG> localHandles;

void countLocalHandle(const std::string& name, int change) {
    std::lock_guard guard(localHandlesLock);
    if ((localHandles[name] += change) == 0) localHandles.erase(name);
}

ULONG localHandleCount(const std::string& name) {
    std::lock_guard guard(localHandlesLock);
    auto it = localHandles.find(name);
    return it == localHandles.end() ? 0 : it->second;
}

class NamedEvent final : public Event {
public:
    NamedEvent(std::string name, HANDLE handle) : name_(std::move(name)), handle_(handle) {
        countLocalHandle(name_, 1);
    }

    ~NamedEvent() override {
        ::CloseHandle(handle_);
        countLocalHandle(name_, -1);
    }

    void set() override { ::SetEvent(handle_); }
    void reset() override { ::ResetEvent(handle_); }

    WaitResult wait(uint32_t timeoutMs) override {
        switch (::WaitForSingleObject(handle_, timeoutMs)) {
            case WAIT_OBJECT_0:
                return WaitResult::Signaled;
            case WAIT_TIMEOUT:
                return WaitResult::Timeout;
            default:
                return WaitResult::Failed;
        }
    }

    bool waitUntilReceivable(uint32_t timeoutMs) override {
        const ULONGLONG start = ::GetTickCount64();
        for (;;) {
            if (received()) return true;
            if (timeoutMs != kInfinite && ::GetTickCount64() - start >= timeoutMs) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

private:
    bool received() const {
        return !isSet(handle_) || handleCount(handle_) > localHandleCount(name_);
    }

    std::string name_;
    HANDLE handle_;
};

}  // namespace

std::unique_ptr<Event> Event::createNamed(const std::string& name, bool manualReset,
                                          bool initiallySet) {
    if (name.empty()) return createUnnamed(manualReset, initiallySet);
    HANDLE handle = ::CreateEventW(nullptr, manualReset, initiallySet, win32::toWide(name).c_str());
    if (!handle) return nullptr;
    return std::make_unique<NamedEvent>(name, handle);
}

std::unique_ptr<Event> Event::openNamed(const std::string& name) {
    HANDLE handle = ::OpenEventW(kEventAccess, FALSE, win32::toWide(name).c_str());
    if (!handle) return nullptr;
    return std::make_unique<NamedEvent>(name, handle);
}

}  // namespace platform
