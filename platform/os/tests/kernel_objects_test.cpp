#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/process.h"
#include "platform/os/thread.h"
#include "testing/temp_root.h"

namespace q7310::os {
namespace {

using testing::RootTest;

std::string childProgram() { return (testing::buildOutputFolder() / "os_test_child").string(); }

uint32_t runChild(const std::vector<std::string>& args) {
  auto child = Process::start(childProgram(), args);
  EXPECT_NE(child, nullptr);
  if (!child) return 999;
  EXPECT_EQ(child->wait(30000), WaitResult::Signalled);
  return child->exitCode().value_or(999);
}

TEST_F(RootTest, MutexIsRecursiveAndOwnedByOneThread) {
  auto mutex = Mutex::create("Global\\Q7310_MUTEX_PORT1");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(lastError(), kErrorSuccess);
  auto again = Mutex::create("Global\\Q7310_MUTEX_PORT1");
  EXPECT_EQ(lastError(), kErrorAlreadyExists);
  EXPECT_EQ(mutex->wait(0), WaitResult::Signalled);
  EXPECT_EQ(again->wait(0), WaitResult::Signalled);  // same thread, same mutex: recursive
  WaitResult other = WaitResult::Failed;
  auto t = Thread::start([&] { other = again->wait(20); });
  t->wait(kInfinite);
  EXPECT_EQ(other, WaitResult::Timeout);
  EXPECT_TRUE(mutex->release());
  EXPECT_TRUE(again->release());
  EXPECT_FALSE(mutex->release());
  EXPECT_EQ(lastError(), kErrorNotOwner);
  t = Thread::start([&] {
    other = again->wait(1000);
    again->release();
  });
  t->wait(kInfinite);
  EXPECT_EQ(other, WaitResult::Signalled);
}

TEST_F(RootTest, OpeningAMissingObjectFails) {
  EXPECT_EQ(Mutex::open("Global\\none"), nullptr);
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  EXPECT_EQ(Event::open("Global\\none"), nullptr);
  EXPECT_EQ(Section::open("Global\\none"), nullptr);
}

TEST_F(RootTest, ObjectsOfTwoRootsNeverMeet) {
  auto here = Section::create("Global\\shared", 16);
  here->data()[0] = 0x5A;
  {
    testing::TempRoot other;
    bool existed = true;
    auto there = Section::create("Global\\shared", 16, &existed);
    EXPECT_FALSE(existed);
    EXPECT_EQ(there->data()[0], 0);
  }
}

TEST_F(RootTest, ManualResetEventStaysSignalledUntilReset) {
  auto event = Event::create("Global\\Q7310_DOWNLOAD_PORT1");
  auto same = Event::open("Global\\Q7310_DOWNLOAD_PORT1");
  ASSERT_NE(same, nullptr);
  EXPECT_FALSE(same->isSignalled());
  EXPECT_EQ(same->wait(10), WaitResult::Timeout);
  event->set();
  EXPECT_EQ(same->wait(0), WaitResult::Signalled);
  EXPECT_EQ(same->wait(0), WaitResult::Signalled);
  event->reset();
  EXPECT_FALSE(same->isSignalled());
  auto unnamed = Event::create("", true);
  EXPECT_TRUE(unnamed->isSignalled());
}

TEST_F(RootTest, SectionTellsWhetherItExistedAndLastCloseRemovesIt) {
  bool existed = true;
  auto first = Section::create("Global\\ZEL_S7310_MAPPING_PORT1", 376, &existed);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(existed);
  EXPECT_EQ(first->size(), 376u);
  first->data()[100] = 42;
  auto second = Section::create("Global\\ZEL_S7310_MAPPING_PORT1", 376, &existed);
  EXPECT_TRUE(existed);
  EXPECT_EQ(second->data()[100], 42);
  EXPECT_EQ(Section::create("Global\\ZEL_S7310_MAPPING_PORT1", 1000), nullptr);
  EXPECT_EQ(listSections(), std::vector<std::string>{"Global\\ZEL_S7310_MAPPING_PORT1"});
  first.reset();
  EXPECT_EQ(Section::open("Global\\ZEL_S7310_MAPPING_PORT1")->data()[100], 42);
  second.reset();
  EXPECT_EQ(Section::open("Global\\ZEL_S7310_MAPPING_PORT1"), nullptr);
  auto fresh = Section::create("Global\\ZEL_S7310_MAPPING_PORT1", 376, &existed);
  EXPECT_FALSE(existed);
  EXPECT_EQ(fresh->data()[100], 0);
}

TEST_F(RootTest, MutexHeldByADeadProcessIsAbandonedToTheNextWaiter) {
  const std::string name = "Global\\Q7310_MUTEX_DEAD";
  auto ready = Event::create(name + ".ready");
  auto mutex = Mutex::create(name);
  ASSERT_EQ(runChild({"hold-mutex", name}), 0u);
  ASSERT_TRUE(ready->isSignalled());
  EXPECT_EQ(mutex->wait(5000), WaitResult::Abandoned);
  // Owned now, and usable as usual afterwards.
  EXPECT_TRUE(mutex->release());
  EXPECT_EQ(mutex->wait(0), WaitResult::Signalled);
  EXPECT_TRUE(mutex->release());
}

TEST_F(RootTest, MutexHeldByAnEndedThreadIsAbandoned) {
  auto mutex = Mutex::create("");
  auto t = Thread::start([&] { mutex->wait(kInfinite); });
  t->wait(kInfinite);
  EXPECT_EQ(mutex->wait(1000), WaitResult::Abandoned);
  mutex->release();
}

TEST_F(RootTest, SectionWrittenByOneProcessIsReadByAnother) {
  const std::string name = "Global\\ZEL_S7310_MAPPING_X";
  auto ready = Event::create(name + ".ready");
  auto done = Event::create(name + ".done");
  auto writer = Process::start(childProgram(), {"write-section", name, "hello from the writer"});
  ASSERT_NE(writer, nullptr);
  ASSERT_EQ(ready->wait(20000), WaitResult::Signalled);
  auto section = Section::open(name, 64);
  ASSERT_NE(section, nullptr);
  EXPECT_STREQ(reinterpret_cast<const char*>(section->data()), "hello from the writer");
  EXPECT_EQ(runChild({"read-section", name}), 0u);
  done->set();
  ASSERT_EQ(writer->wait(20000), WaitResult::Signalled);
  EXPECT_EQ(writer->exitCode(), 0u);
  // We still hold it: it lives on after the writer ended...
  EXPECT_EQ(section->data()[0], 'h');
  section.reset();
  // ...and our close, the last, removed it.
  EXPECT_EQ(runChild({"read-section", name}), 3u);
}

TEST_F(RootTest, SectionOfADeadProcessIsGoneForTheNextCreator) {
  const std::string name = "Global\\left_behind";
  auto ready = Event::create(name + ".ready");
  auto writer = Process::start(childProgram(), {"write-section", name, "stale"});
  ASSERT_EQ(ready->wait(20000), WaitResult::Signalled);
  ASSERT_TRUE(writer->terminate());
  writer->wait(20000);
  bool existed = true;
  auto section = Section::create(name, 64, &existed);
  EXPECT_FALSE(existed);
  EXPECT_EQ(section->data()[0], 0);
}

}  // namespace
}  // namespace q7310::os
