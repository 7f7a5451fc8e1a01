// OS-independent: the thread queues are plain condition-variable queues.
#include "platform/message_loop.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/process.h"

namespace platform {
namespace {

struct Message {
    std::function<void()> task;
    std::optional<int> quitCode;
};

struct ThreadQueue {
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<Message> messages;
    bool looping = false;
};

std::mutex registryLock;
std::map<uint32_t, std::shared_ptr<ThreadQueue>>& registry() {
    static std::map<uint32_t, std::shared_ptr<ThreadQueue>> queues;
    return queues;
}

std::shared_ptr<ThreadQueue> queueOf(uint32_t threadId) {
    std::lock_guard guard(registryLock);
    auto& slot = registry()[threadId];
    if (!slot) slot = std::make_shared<ThreadQueue>();
    return slot;
}

void post(uint32_t threadId, Message message) {
    auto queue = queueOf(threadId);
    std::lock_guard guard(queue->lock);
    queue->messages.push_back(std::move(message));
    queue->arrived.notify_one();
}

}  // namespace

void postQuitMessage(uint32_t threadId, int exitCode) { post(threadId, Message{{}, exitCode}); }

void postTask(uint32_t threadId, std::function<void()> task) {
    post(threadId, Message{std::move(task), std::nullopt});
}

void sendTask(uint32_t threadId, const std::function<void()>& task) {
    auto queue = queueOf(threadId);
    bool looping;
    {
        std::lock_guard guard(queue->lock);
        looping = queue->looping;
    }
    if (threadId == currentThreadId() || !looping) {
        task();
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    postTask(threadId, [task, done] {
        task();
        done->set_value();
    });
    finished.wait();
}

int runMessageLoop() {
    auto queue = queueOf(currentThreadId());
    std::unique_lock guard(queue->lock);
    queue->looping = true;
    for (;;) {
        queue->arrived.wait(guard, [&] { return !queue->messages.empty(); });
        Message message = std::move(queue->messages.front());
        queue->messages.pop_front();
        if (message.quitCode) {
            queue->looping = false;
            // Work already sent by other threads still runs, so none of them
            // waits forever for a loop that has ended.
            std::deque<Message> rest;
            rest.swap(queue->messages);
            guard.unlock();
            for (auto& pending : rest)
                if (pending.task) pending.task();
            return *message.quitCode;
        }
        guard.unlock();
        if (message.task) message.task();
        guard.lock();
    }
}

}  // namespace platform
