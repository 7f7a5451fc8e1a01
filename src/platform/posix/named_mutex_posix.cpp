// flock() on a lock file works between processes; inside the process, handles
// of one name share one lock file and one owner record, so the mutex is owned
// per thread and may be taken again by its owner through any handle, as on
// Windows.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/last_error.h"
#include "platform/named_mutex.h"
#include "platform/posix/errno_error.h"
#include "platform/posix/ipc_names.h"
#include "platform/process.h"

namespace platform {
namespace {

struct LockFile {
    int fd = -1;
    std::mutex lock;
    std::condition_variable released;
    uint32_t owner = 0;
    int depth = 0;
    ~LockFile() {
        if (fd >= 0) ::close(fd);
    }
};

std::mutex openFilesLock;
std::map<std::string, std::weak_ptr<LockFile>> openFiles;

std::shared_ptr<LockFile> openLockFile(const std::string& name) {
    std::lock_guard guard(openFilesLock);
    if (auto existing = openFiles[name].lock()) return existing;
    const std::string folder = posix::runtimeFolder();
    if (folder.empty()) throw std::runtime_error("No runtime folder for mutex " + name);
    auto file = std::make_shared<LockFile>();
    const std::string path = folder + posix::escapeObjectName(name) + ".lock";
    file->fd = posix::openObjectFile(path, O_RDWR | O_CREAT);
    if (file->fd < 0) {
        setLastErrorFromErrno();
        throw std::runtime_error("Cannot create mutex " + name);
    }
    openFiles[name] = file;
    return file;
}

}  // namespace

struct NamedMutex::Impl {
    std::shared_ptr<LockFile> file;
    int heldByThisHandle = 0;
};

NamedMutex::NamedMutex(const std::string& name) : name_(name), impl_(std::make_unique<Impl>()) {
    impl_->file = openLockFile(name);
}

NamedMutex::~NamedMutex() {
    while (impl_->heldByThisHandle > 0) release();
}

WaitResult NamedMutex::wait(uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    LockFile& file = *impl_->file;
    const uint32_t me = currentThreadId();
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool forever = timeoutMs == kInfinite;
    std::unique_lock guard(file.lock);
    for (;;) {
        if (file.depth > 0 && file.owner == me) {
            ++file.depth;
            ++impl_->heldByThisHandle;
            return WaitResult::Signaled;
        }
        if (file.depth == 0) {
            if (::flock(file.fd, LOCK_EX | LOCK_NB) == 0) {
                file.owner = me;
                file.depth = 1;
                ++impl_->heldByThisHandle;
                return WaitResult::Signaled;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) {
                setLastErrorFromErrno();
                return WaitResult::Failed;
            }
        }
        if (!forever && Clock::now() >= deadline) return WaitResult::Timeout;
        // Another process holds it: look again shortly. Another thread of ours
        // holds it: its release wakes us.
        auto next = Clock::now() + std::chrono::milliseconds(2);
        if (!forever && next > deadline) next = deadline;
        file.released.wait_until(guard, next);
    }
}

void NamedMutex::release() {
    LockFile& file = *impl_->file;
    std::lock_guard guard(file.lock);
    if (impl_->heldByThisHandle == 0 || file.depth == 0 || file.owner != currentThreadId()) return;
    --impl_->heldByThisHandle;
    if (--file.depth == 0) {
        ::flock(file.fd, LOCK_UN);
        file.owner = 0;
        file.released.notify_all();
    }
}

}  // namespace platform
