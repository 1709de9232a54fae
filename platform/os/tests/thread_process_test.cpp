#include <gtest/gtest.h>

#include <atomic>

#include "platform/os/clock.h"
#include "platform/os/process.h"
#include "platform/os/thread.h"
#include "testing/temp_root.h"

namespace q7310::os {
namespace {

using testing::RootTest;
using testing::VirtualClockTest;

TEST(Threads, RunWithHintsAndReportTheirEnd) {
  std::atomic<uint32_t> seenId{0};
  auto t = Thread::start([&] { seenId = currentThreadId(); }, 16384, ThreadPriority::Lowest);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(t->id(), 0u);
  EXPECT_EQ(t->wait(kInfinite), WaitResult::Signalled);
  EXPECT_TRUE(t->finished());
  EXPECT_EQ(seenId.load(), t->id());
  EXPECT_NE(t->id(), currentThreadId());
  EXPECT_EQ(t->requestedStackSize(), 16384u);
  EXPECT_EQ(t->priority(), ThreadPriority::Lowest);
}

TEST(Threads, AnExceptionDoesNotLeaveTheThread) {
  auto t = Thread::start([] { throw std::runtime_error("boom"); });
  EXPECT_EQ(t->wait(kInfinite), WaitResult::Signalled);
}

TEST_F(VirtualClockTest, JoiningAThreadLetsItsSleepsRun) {
  std::atomic<bool> stop{false};
  int rounds = 0;
  auto t = Thread::start([&] {
    while (!stop) {
      sleepMs(1000);
      ++rounds;
    }
  });
  EXPECT_EQ(t->wait(3500), WaitResult::Timeout);
  EXPECT_EQ(rounds, 3);
  stop = true;
  EXPECT_EQ(t->wait(kInfinite), WaitResult::Signalled);
  EXPECT_EQ(clock_.elapsed(), 4000u);
}

TEST_F(RootTest, ChildProcessExitCodeIsReported) {
  auto child = Process::start((testing::buildOutputFolder() / "os_test_child").string(), {"bad-command", "x"});
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->wait(30000), WaitResult::Signalled);
  EXPECT_EQ(child->exitCode(), 2u);
  EXPECT_EQ(Process::start("/no/such/program", {}), nullptr);
}

TEST(CommandLine, SplitsWithQuotes) {
  EXPECT_EQ(splitCommandLine(R"(abc "d e" f\"g  "")"), (std::vector<std::string>{"abc", "d e", "f\"g", ""}));
  EXPECT_TRUE(splitCommandLine("   ").empty());
}

}  // namespace
}  // namespace q7310::os
