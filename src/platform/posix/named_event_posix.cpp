// A named event is a shared file mapping (ipc_names.h) holding a robust,
// process-shared mutex, a condition variable and the state. The block counts
// its openers; the last one to close it removes the name, so a signal meant for
// another process is handed over (waitUntilReceivable) before the handles close.
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

#include "platform/event.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"
#include "platform/posix/ipc_names.h"

namespace platform {
namespace {

constexpr uint32_t kReadyMagic = 0x5A455654;  // set once the creator has initialised

struct SharedEvent {
    std::atomic<uint32_t> magic;
    pthread_mutex_t mutex;
    pthread_cond_t condition;
    int manualReset;
    int state;
    int openers;
    uint64_t generation;  // counts set() calls so manual-reset waiters see pulses
};

void lockRobust(pthread_mutex_t* mutex) {
    if (pthread_mutex_lock(mutex) == EOWNERDEAD) pthread_mutex_consistent(mutex);
}

// Handles this process holds per name, so that openers beyond them are known to
// be other processes.
std::mutex localHandlesLock;
std::map<std::string, int> localHandles;

void countLocalHandle(const std::string& path, int change) {
    std::lock_guard guard(localHandlesLock);
    if ((localHandles[path] += change) <= 0) localHandles.erase(path);
}

int localHandleCount(const std::string& path) {
    std::lock_guard guard(localHandlesLock);
    auto it = localHandles.find(path);
    return it == localHandles.end() ? 0 : it->second;
}

timespec deadlineAfter(uint32_t timeoutMs) {
    timespec deadline{};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    return deadline;
}

// Waits on the block's condition; false once the deadline has passed.
bool waitForChange(SharedEvent* block, uint32_t timeoutMs, const timespec& deadline) {
    const int result = timeoutMs == kInfinite
                           ? pthread_cond_wait(&block->condition, &block->mutex)
                           : pthread_cond_timedwait(&block->condition, &block->mutex, &deadline);
    if (result == EOWNERDEAD) pthread_mutex_consistent(&block->mutex);
    return result != ETIMEDOUT;
}

void initialise(SharedEvent* block, bool manualReset, bool initiallySet) {
    pthread_mutexattr_t mutexAttributes;
    pthread_mutexattr_init(&mutexAttributes);
    pthread_mutexattr_setpshared(&mutexAttributes, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&mutexAttributes, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&block->mutex, &mutexAttributes);
    pthread_mutexattr_destroy(&mutexAttributes);
    pthread_condattr_t conditionAttributes;
    pthread_condattr_init(&conditionAttributes);
    pthread_condattr_setpshared(&conditionAttributes, PTHREAD_PROCESS_SHARED);
    pthread_condattr_setclock(&conditionAttributes, CLOCK_MONOTONIC);
    pthread_cond_init(&block->condition, &conditionAttributes);
    pthread_condattr_destroy(&conditionAttributes);
    block->manualReset = manualReset ? 1 : 0;
    block->state = initiallySet ? 1 : 0;
    block->openers = 1;  // the creator's own handle
    block->generation = 0;
    block->magic.store(kReadyMagic, std::memory_order_release);
}

class NamedEvent final : public Event {
public:
    // The caller has counted the handle as local before the block counted it.
    NamedEvent(std::string path, SharedEvent* block) : path_(std::move(path)), block_(block) {}

    ~NamedEvent() override {
        lockRobust(&block_->mutex);
        const bool last = --block_->openers == 0;
        if (last) ::unlink(path_.c_str());
        pthread_mutex_unlock(&block_->mutex);
        countLocalHandle(path_, -1);
        ::munmap(block_, sizeof(SharedEvent));
    }

    void set() override {
        lockRobust(&block_->mutex);
        block_->state = 1;
        ++block_->generation;
        pthread_cond_broadcast(&block_->condition);
        pthread_mutex_unlock(&block_->mutex);
    }

    void reset() override {
        lockRobust(&block_->mutex);
        block_->state = 0;
        pthread_mutex_unlock(&block_->mutex);
    }

    WaitResult wait(uint32_t timeoutMs) override {
        const timespec deadline = deadlineAfter(timeoutMs);
        lockRobust(&block_->mutex);
        while (block_->state == 0) {
            if (!waitForChange(block_, timeoutMs, deadline) && block_->state == 0) {
                pthread_mutex_unlock(&block_->mutex);
                return WaitResult::Timeout;
            }
        }
        if (!block_->manualReset) {
            block_->state = 0;
            // The setter may be waiting to see its signal taken.
            pthread_cond_broadcast(&block_->condition);
        }
        pthread_mutex_unlock(&block_->mutex);
        return WaitResult::Signaled;
    }

    bool waitUntilReceivable(uint32_t timeoutMs) override {
        const timespec deadline = deadlineAfter(timeoutMs);
        auto received = [&] {
            return block_->state == 0 || block_->openers > localHandleCount(path_);
        };
        lockRobust(&block_->mutex);
        bool done = received();
        while (!done && waitForChange(block_, timeoutMs, deadline)) done = received();
        done = done || received();
        pthread_mutex_unlock(&block_->mutex);
        return done;
    }

private:
    std::string path_;
    SharedEvent* block_;
};

SharedEvent* mapBlock(int fd) {
    void* address = ::mmap(nullptr, sizeof(SharedEvent), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return address == MAP_FAILED ? nullptr : static_cast<SharedEvent*>(address);
}

// Waits briefly for a creator in another process to finish initialising.
bool awaitReady(SharedEvent* block, int fd) {
    for (int i = 0; i < 2000; ++i) {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && static_cast<size_t>(info.st_size) >= sizeof(SharedEvent) &&
            block->magic.load(std::memory_order_acquire) == kReadyMagic)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

std::unique_ptr<Event> openOrCreate(const std::string& name, bool create, bool manualReset,
                                    bool initiallySet) {
    const std::string path = posix::objectFilePath("event", name);
    for (int attempt = 0; attempt < 5; ++attempt) {
        bool created = false;
        int fd = -1;
        if (create) {
            fd = posix::openObjectFile(path, O_RDWR | O_CREAT | O_EXCL);
            created = fd >= 0;
        }
        if (fd < 0) {
            if (create && errno != EEXIST) break;
            fd = posix::openObjectFile(path, O_RDWR);
            if (fd < 0) {
                if (errno == ENOENT && create) continue;  // removed meanwhile: create anew
                break;
            }
        }
        if (created && ::ftruncate(fd, sizeof(SharedEvent)) != 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(path.c_str());
            errno = saved;
            break;
        }
        SharedEvent* block = mapBlock(fd);
        const bool ready = block && (created || awaitReady(block, fd));
        ::close(fd);
        if (!block) break;
        if (!ready) {
            ::munmap(block, sizeof(SharedEvent));
            errno = ETIMEDOUT;
            break;
        }
        countLocalHandle(path, 1);
        if (created) initialise(block, manualReset, initiallySet);
        lockRobust(&block->mutex);
        // An opener count of 0 on a block we did not create means its last user
        // is removing it: start over.
        const bool alive = created || block->openers > 0;
        if (alive && !created) {
            ++block->openers;
            // Someone may be waiting for the event to be opened elsewhere.
            pthread_cond_broadcast(&block->condition);
        }
        pthread_mutex_unlock(&block->mutex);
        if (alive) return std::make_unique<NamedEvent>(path, block);
        countLocalHandle(path, -1);
        ::munmap(block, sizeof(SharedEvent));
    }
    setLastErrorFromErrno();
    return nullptr;
}

}  // namespace

std::unique_ptr<Event> Event::createNamed(const std::string& name, bool manualReset,
                                          bool initiallySet) {
    if (name.empty()) return createUnnamed(manualReset, initiallySet);
    return openOrCreate(name, true, manualReset, initiallySet);
}

std::unique_ptr<Event> Event::openNamed(const std::string& name) {
    return openOrCreate(name, false, false, false);
}

}  // namespace platform
