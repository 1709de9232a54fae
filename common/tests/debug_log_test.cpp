#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "common/debug_log.h"
#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "testing/temp_root.h"

namespace q7310 {
namespace {

using testing::VirtualClockTest;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class DebugLogTest : public VirtualClockTest {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_F(DebugLogTest, WritesTheLineFormatWithNesting) {
  root_.enableDebugLog();
  DebugLog log("q7310lm");
  os::sleepMs(7);
  log.log(">>>> DrvEnablePDEV");
  log.log("INFO:    size %d", 42);
  log.log(">>>> inner");
  log.log("deep\n");
  log.log("<<<< inner");
  log.log("<<<< DrvEnablePDEV");
  log.log("<<<< one too many");
  log.log("after");
  EXPECT_EQ(root_.debugLog("q7310lm.log"),
            "2026-12-11 10:00:00.0007 :: >>>> DrvEnablePDEV\n"
            "2026-12-11 10:00:00.0007 ::     INFO:    size 42\n"
            "2026-12-11 10:00:00.0007 ::     >>>> inner\n"
            "2026-12-11 10:00:00.0007 ::         deep\n"
            "2026-12-11 10:00:00.0007 ::     <<<< inner\n"
            "2026-12-11 10:00:00.0007 :: <<<< DrvEnablePDEV\n"
            "2026-12-11 10:00:00.0007 :: <<<< one too many\n"
            "2026-12-11 10:00:00.0007 :: after\n");
}

TEST_F(DebugLogTest, SubNamesWriteTheirOwnFilesWithTheirOwnNesting) {
  root_.enableDebugLog();
  DebugLog log("q7310lm");
  log.logTo("Q7310_001", ">>>> port");
  log.log("module");
  log.logTo("Q7310_001", "inside");
  EXPECT_EQ(lines(root_.debugLog("q7310lm.log")).at(0), "2026-12-11 10:00:00.0000 :: module");
  auto port = lines(root_.debugLog("q7310lm_Q7310_001.log"));
  ASSERT_EQ(port.size(), 2u);
  EXPECT_EQ(port[1], "2026-12-11 10:00:00.0000 ::     inside");
}

TEST_F(DebugLogTest, LongMessagesAreCutAt1023Characters) {
  root_.enableDebugLog();
  DebugLog log("q7310io");
  log.log("%s", std::string(5000, 'x').c_str());
  auto all = lines(root_.debugLog("q7310io.log"));
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].size(), std::string("2026-12-11 10:00:00.0000 :: ").size() + 1023);
}

TEST_F(DebugLogTest, WithoutTheFolderNothingIsWrittenAndNothingFails) {
  DebugLog log("q7310lm");
  os::setLastError(os::kErrorBusy);
  log.log("STATUS:  nothing");
  EXPECT_EQ(os::lastError(), os::kErrorBusy);
  EXPECT_FALSE(os::folderExists("C:\\zelsoftware.debug"));
}

TEST_F(DebugLogTest, LinesFromManyThreadsStayWhole) {
  root_.enableDebugLog();
  DebugLog log("q7310ui");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < 200; ++i) log.log("thread %d line %03d", t, i);
    });
  }
  for (auto& th : threads) th.join();
  auto all = lines(root_.debugLog("q7310ui.log"));
  ASSERT_EQ(all.size(), 800u);
  std::regex shape(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{4} :: thread \d line \d{3})");
  for (const auto& line : all) EXPECT_TRUE(std::regex_match(line, shape)) << line;
}

}  // namespace
}  // namespace q7310
