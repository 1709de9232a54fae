#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/os/clock.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/thread.h"
#include "testing/temp_root.h"

namespace q7310::os {
namespace {

using testing::VirtualClockTest;

TEST(RealClock, TicksMoveForwardAndTheShortViewIsTheLowBits) {
  uint64_t a = tickCount64();
  sleepMs(2);
  uint64_t b = tickCount64();
  EXPECT_GE(b, a + 2);
  EXPECT_EQ(static_cast<uint32_t>(tickCount64()) - tickCount(), 0u);
}

TEST_F(VirtualClockTest, SleepAdvancesVirtualTimeAtOnce) {
  sleepMs(30000);
  EXPECT_EQ(clock_.elapsed(), 30000u);
  advanceVirtualClock(250);
  EXPECT_EQ(clock_.elapsed(), 30250u);
}

TEST_F(VirtualClockTest, LocalTimeFollowsTheVirtualWallClock) {
  setenv("TZ", "UTC", 1);
  tzset();
  sleepMs(1234);
  LocalTime t = localTimeNow();
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 11);
  EXPECT_EQ(t.hour, 10);
  EXPECT_EQ(t.second, 1);
  EXPECT_EQ(t.milliseconds, 234);
}

// Two threads sleeping in different periods interleave in deadline order,
// the same way every run.
TEST_F(VirtualClockTest, ThreadsWakeInDeadlineOrder) {
  std::mutex m;
  std::vector<std::pair<char, uint64_t>> wakes;
  auto record = [&](char who) {
    std::lock_guard lock(m);
    wakes.emplace_back(who, clock_.elapsed());
  };
  auto fast = Thread::start([&] {
    for (int i = 0; i < 3; ++i) {
      sleepMs(100);
      record('f');
    }
  });
  auto slow = Thread::start([&] {
    sleepMs(250);
    record('s');
  });
  ASSERT_EQ(fast->wait(kInfinite), WaitResult::Signalled);
  ASSERT_EQ(slow->wait(kInfinite), WaitResult::Signalled);
  std::vector<std::pair<char, uint64_t>> expected{{'f', 100}, {'f', 200}, {'s', 250}, {'f', 300}};
  EXPECT_EQ(wakes, expected);
}

// A waiter whose event is set by another thread wakes without its time-out
// passing, even though the setter goes on to sleep.
TEST_F(VirtualClockTest, EventSetBeforeTheSetterSleepsWakesTheWaiterOnTime) {
  auto event = Event::create("");
  uint64_t wokeAt = 0;
  WaitResult result = WaitResult::Failed;
  auto waiter = Thread::start([&] {
    result = event->wait(5000);
    wokeAt = clock_.elapsed();
  });
  sleepMs(40);
  event->set();
  sleepMs(10000);
  ASSERT_EQ(waiter->wait(kInfinite), WaitResult::Signalled);
  EXPECT_EQ(result, WaitResult::Signalled);
  EXPECT_EQ(wokeAt, 40u);
}

TEST_F(VirtualClockTest, TimedWaitsTimeOutAtTheirDeadline) {
  auto event = Event::create("");
  EXPECT_EQ(event->wait(500), WaitResult::Timeout);
  EXPECT_EQ(clock_.elapsed(), 500u);
  auto mutex = Mutex::create("Global\\clock_mutex");
  std::atomic<bool> held{false};
  auto holder = Thread::start([&] {
    mutex->wait(kInfinite);
    held = true;
    sleepMs(10000);
    mutex->release();
  });
  while (!held) sleepMs(1);
  uint64_t before = clock_.elapsed();
  EXPECT_EQ(mutex->wait(5000), WaitResult::Timeout);
  EXPECT_EQ(clock_.elapsed() - before, 5000u);
  EXPECT_EQ(mutex->wait(kInfinite), WaitResult::Signalled);
  EXPECT_TRUE(mutex->release());
  holder->wait(kInfinite);
}

}  // namespace
}  // namespace q7310::os
