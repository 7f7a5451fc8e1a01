// Named mutexes and events, between threads and between processes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/event.h"
#include "platform/guid.h"
#include "platform/named_mutex.h"
#include "support/test_process.h"

namespace {

using platform::WaitResult;

std::string uniqueName(const std::string& prefix) {
    return prefix + "/" + platform::guidToString(platform::newGuid());
}

}  // namespace

TEST(NamedMutex, OwnerMayTakeItAgainThroughAnotherHandle) {
    const std::string name = uniqueName("www.zorbit.localhost:8470");
    platform::NamedMutex outer(name);
    platform::NamedMutex inner(name);
    ASSERT_EQ(outer.wait(1), WaitResult::Signaled);
    EXPECT_EQ(inner.wait(1), WaitResult::Signaled);
    inner.release();
    outer.release();
}

TEST(NamedMutex, OtherThreadsWaitUntilReleased) {
    const std::string name = uniqueName("mutex");
    platform::NamedMutex held(name);
    ASSERT_EQ(held.wait(platform::kInfinite), WaitResult::Signaled);
    std::thread([&] {
        platform::NamedMutex other(name);
        EXPECT_EQ(other.wait(50), WaitResult::Timeout);
    }).join();
    std::thread waiter([&] {
        platform::NamedMutex other(name);
        EXPECT_EQ(other.wait(5000), WaitResult::Signaled);
        other.release();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    held.release();
    waiter.join();
}

TEST(NamedMutex, ExcludesOtherProcessesAndIsFreedWhenTheHolderDies) {
#ifdef _WIN32
    GTEST_SKIP() << "runs a part of the test in a forked child; Windows has no fork";
#endif
    const std::string name = uniqueName("mutex");
    platform::NamedMutex mine(name);
    ASSERT_EQ(mine.wait(1), WaitResult::Signaled);
    EXPECT_EQ(test_process::runInChild([&] {
                  platform::NamedMutex theirs(name);
                  return theirs.wait(50) == WaitResult::Timeout ? 0 : 1;
              }),
              0);
    mine.release();
    // A child that dies holding it leaves it free.
    EXPECT_EQ(test_process::runInChild([&] {
                  platform::NamedMutex theirs(name);
                  return theirs.wait(1000) == WaitResult::Signaled ? 0 : 1;
              }),
              0);
    EXPECT_EQ(mine.wait(1000), WaitResult::Signaled);
    mine.release();
}

TEST(Event, AutomaticResetReleasesOneWait) {
    auto event = platform::Event::createUnnamed(false, true);
    EXPECT_EQ(event->wait(0), WaitResult::Signaled);
    EXPECT_EQ(event->wait(10), WaitResult::Timeout);
    event->set();
    EXPECT_EQ(event->wait(10), WaitResult::Signaled);
}

TEST(Event, ManualResetStaysSetUntilReset) {
    auto event = platform::Event::createNamed(uniqueName("event"), true, false);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->wait(10), WaitResult::Timeout);
    event->set();
    EXPECT_EQ(event->wait(0), WaitResult::Signaled);
    EXPECT_EQ(event->wait(0), WaitResult::Signaled);
    event->reset();
    EXPECT_EQ(event->wait(0), WaitResult::Timeout);
}

TEST(Event, NamedEventIsSharedWithAnotherProcess) {
#ifdef _WIN32
    GTEST_SKIP() << "runs a part of the test in a forked child; Windows has no fork";
#endif
    const std::string name = uniqueName("started");
    auto event = platform::Event::createNamed(name, false, false);
    ASSERT_TRUE(event);
    EXPECT_EQ(test_process::runInChild([&] {
                  auto opened = platform::Event::openNamed(name);
                  if (!opened) return 1;
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
                  opened->set();
                  return 0;
              }),
              0);
    EXPECT_EQ(event->wait(2000), WaitResult::Signaled);
}

TEST(Event, OpeningAMissingNameFails) {
    EXPECT_EQ(platform::Event::openNamed(uniqueName("missing")), nullptr);
}

TEST(Event, NameDisappearsWithItsLastHandle) {
    const std::string name = uniqueName("transient");
    {
        auto event = platform::Event::createNamed(name, true, true);
        auto second = platform::Event::openNamed(name);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->wait(0), WaitResult::Signaled);
    }
    EXPECT_EQ(platform::Event::openNamed(name), nullptr);
}

TEST(Event, SignalOutlivesTheSetterOnceHandedOver) {
#ifdef _WIN32
    GTEST_SKIP() << "runs a part of the test in a forked child; Windows has no fork";
#endif
    const std::string name = uniqueName("ready");
    auto event = platform::Event::createNamed(name, false, false);
    ASSERT_TRUE(event);
    event->set();
    EXPECT_FALSE(event->waitUntilReceivable(30)) << "nobody else has it yet";
    test_process::Child child([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        auto opened = platform::Event::openNamed(name);
        if (!opened) return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return opened->wait(2000) == WaitResult::Signaled ? 0 : 2;
    });
    // Once the other process has it open, our last handle may go.
    EXPECT_TRUE(event->waitUntilReceivable(5000));
    event.reset();
    EXPECT_EQ(child.wait(), 0);

    // A wait that takes the signal hands it over too.
    auto local = platform::Event::createNamed(uniqueName("taken"), false, true);
    std::thread([&] { EXPECT_EQ(local->wait(1000), WaitResult::Signaled); }).join();
    EXPECT_TRUE(local->waitUntilReceivable(0));
}
