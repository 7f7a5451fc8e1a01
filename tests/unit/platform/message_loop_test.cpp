#include "platform/message_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/process.h"

TEST(MessageLoop, RunsPostedWorkUntilQuit) {
    const uint32_t me = platform::currentThreadId();
    std::vector<int> order;
    std::thread poster([&] {
        platform::sendTask(me, [&] { order.push_back(1); });
        platform::postTask(me, [&] { order.push_back(2); });
        platform::postQuitMessage(me, 7);
    });
    EXPECT_EQ(platform::runMessageLoop(), 7);
    poster.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(MessageLoop, SendToAThreadWithoutALoopRunsAtOnce) {
    std::atomic<uint32_t> idle{0};
    std::atomic<bool> done{false};
    std::thread other([&] {
        idle = platform::currentThreadId();
        while (!done) std::this_thread::yield();
    });
    while (idle == 0) std::this_thread::yield();
    bool ran = false;
    platform::sendTask(idle, [&] { ran = true; });
    EXPECT_TRUE(ran);
    done = true;
    other.join();
}

TEST(MessageLoop, WorkSentAsTheLoopEndsStillRuns) {
    const uint32_t me = platform::currentThreadId();
    std::atomic<bool> ran{false};
    platform::postQuitMessage(me);
    std::thread sender([&] { platform::sendTask(me, [&] { ran = true; }); });
    // Either the loop runs it before quitting or the sender runs it itself.
    platform::runMessageLoop();
    sender.join();
    EXPECT_TRUE(ran);
}
