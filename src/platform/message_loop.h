#pragma once
// Thread message queues: a thread runs its loop, others post work or the quit
// message to it by thread id, as with a window system's thread queues.

#include <cstdint>
#include <functional>

namespace platform {

// Queues the quit message for the thread; its loop ends when it reaches it.
void postQuitMessage(uint32_t threadId, int exitCode = 0);

// Queues work for the thread's loop.
void postTask(uint32_t threadId, std::function<void()> task);

// Runs work on the thread's loop and waits until it has run. Runs it at once
// when called on that thread or when that thread runs no loop.
void sendTask(uint32_t threadId, const std::function<void()>& task);

// Runs the calling thread's queue until its quit message; answers the quit code.
int runMessageLoop();

// A toolkit's event loop that the main thread's queue runs inside: waitForWork
// handles toolkit events until wakeUp is called from any thread.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void waitForWork() = 0;
    virtual void wakeUp() = 0;
};

// Installs the pump for the calling thread's loop (nullptr: none).
void setMessagePump(MessagePump* pump);

}  // namespace platform
