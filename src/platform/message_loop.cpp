// OS-independent: the thread queues are condition-variable queues; a thread
// with a toolkit pump waits in the toolkit instead.
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
    MessagePump* pump = nullptr;
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
    MessagePump* pump;
    {
        std::lock_guard guard(queue->lock);
        queue->messages.push_back(std::move(message));
        pump = queue->pump;
        queue->arrived.notify_one();
    }
    if (pump) pump->wakeUp();
}

// Runs what is left when the loop ends, so no sender waits forever.
void drain(std::deque<Message>& rest) {
    for (auto& pending : rest)
        if (pending.task) pending.task();
}

}  // namespace

void postQuitMessage(uint32_t threadId, int exitCode) {
    post(threadId, Message{{}, exitCode});
}

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

void setMessagePump(MessagePump* pump) {
    auto queue = queueOf(currentThreadId());
    std::lock_guard guard(queue->lock);
    queue->pump = pump;
}

int runMessageLoop() {
    auto queue = queueOf(currentThreadId());
    std::unique_lock guard(queue->lock);
    queue->looping = true;
    for (;;) {
        while (queue->messages.empty()) {
            if (MessagePump* pump = queue->pump) {
                guard.unlock();
                pump->waitForWork();
                guard.lock();
            } else {
                queue->arrived.wait(guard);
            }
        }
        Message message = std::move(queue->messages.front());
        queue->messages.pop_front();
        if (message.quitCode) {
            queue->looping = false;
            std::deque<Message> rest;
            rest.swap(queue->messages);
            guard.unlock();
            drain(rest);
            return *message.quitCode;
        }
        guard.unlock();
        if (message.task) message.task();
        guard.lock();
    }
}

}  // namespace platform
