// The real module, loaded by name, driven by the spooler's port driver.
#include <gtest/gtest.h>

#include "Q7310LM/tests/monitor_fixture.h"
#include "Q7310LM/tests/stream_builder.h"
#include "platform/os/errors.h"
#include "platform/os/kernel_objects.h"
#include "platform/spooler/port_driver.h"
#include "platform/spooler/port_status.h"

namespace q7310::lm::testing {
namespace {

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    ASSERT_TRUE(spooler::addPrinter({kPrinter, "Q7310_001:", "Veltrano DPX-Q7310"}));
    driver_ = spooler::PortDriver::load("Q7310LM.dll");
    ASSERT_TRUE(driver_);
  }
  std::string portLog() { return root_.debugLog("q7310lm_Q7310_001:.log"); }

  q7310::testing::TempRoot root_;
  q7310::testing::VirtualClock clock_;
  q7310::testing::DownstreamDouble downstream_;
  std::unique_ptr<spooler::PortDriver> driver_;
};

TEST_F(EndToEndTest, DocumentsRunThroughTheLoadedModule) {
  ASSERT_TRUE(driver_->openPort("Q7310_001:", kPrinter, downstream_.table()));
  EXPECT_EQ(downstream_.openedPortName(), u"Q7310_001:");
  EXPECT_TRUE(os::Mutex::open("Global\\Q7310_MUTEX_Q7310_001"));

  // A document that holds only its job header, offered one byte at a time.
  spooler::RunOptions oneByte;
  oneByte.pieces = spooler::fixedPieces(1);
  auto first = driver_->runDocument(buildStream({}), oneByte);
  EXPECT_TRUE(first.started);
  EXPECT_EQ(first.bytesTaken, 16u);
  EXPECT_EQ(first.writeCalls, 16u);
  EXPECT_TRUE(first.ended);
  EXPECT_TRUE(first.jobCompleted);

  // A damaged document: a wrong job header, then a page header asking for an
  // absurd page. The monitor refuses it every time; the spooler gives up and
  // ends the job, which is still reported as done.
  TestPage huge;
  huge.header.width = 65536;
  huge.header.height = 65536;
  auto stream = buildStream({}, 20);
  append(stream, huge.header.bytes());
  append(stream, std::vector<uint8_t>(64, 0xAB));
  spooler::RunOptions options;
  options.pieces = spooler::randomPieces(3, 40);
  options.maxFailedWrites = 5;
  auto second = driver_->runDocument(stream, options);
  EXPECT_TRUE(second.started);
  EXPECT_TRUE(second.abandoned);
  EXPECT_EQ(second.bytesTaken, 116u);
  EXPECT_EQ(second.failedWrites, 1u + 5u);
  EXPECT_TRUE(second.jobCompleted);
  EXPECT_EQ(spooler::jobReports(kPrinter).size(), 2u);

  ASSERT_TRUE(driver_->closePort());
  EXPECT_TRUE(downstream_.handlesMatched());
  EXPECT_EQ(downstream_.startDocs().size(), 2u);
  EXPECT_EQ(downstream_.calls().back(), "ClosePort");
  EXPECT_TRUE(spooler::portStatus("Q7310_001:").cleared());

  std::string log = portLog();
  EXPECT_NE(log.find(" :: STATUS:  MUTEX [Global\\Q7310_MUTEX_Q7310_001]\n"), std::string::npos) << log;
  EXPECT_EQ(countOf(log, " :: STATUS:  ENDDOC [00000000]\n"), 1u) << log;
  EXPECT_EQ(countOf(log, " :: ERROR:   INVALID JOB HEADER RECORD (20, 16)\n"), 1u) << log;
  EXPECT_EQ(countOf(log, " :: ERROR:   INSUFFICIENT MEMORY FOR RGB BUFFER\n"), 1u) << log;
  EXPECT_EQ(countOf(log, " :: RECEIVE RGB: RGB BUFFER IS NULL\n"), 4u) << log;
}

TEST_F(EndToEndTest, PortRulesHoldThroughTheLoadedModule) {
  ASSERT_TRUE(driver_->openPort("Q7310_001:", kPrinter, downstream_.table()));
  auto again = spooler::PortDriver::load("Q7310LM.dll");
  ASSERT_TRUE(again);
  EXPECT_FALSE(again->openPort("q7310_001:", kPrinter, downstream_.table()));
  EXPECT_EQ(os::lastError(), os::kErrorBusy);

  spooler::RunOptions level2;
  level2.level = 2;
  auto refused = driver_->runDocument(buildStream({}), level2);
  EXPECT_FALSE(refused.started);
  EXPECT_EQ(refused.startError, os::kErrorInvalidLevel);
  EXPECT_TRUE(spooler::jobs(kPrinter).empty());  // the spooler let the job go

  ASSERT_TRUE(driver_->closePort());
  EXPECT_TRUE(again->openPort("q7310_001:", kPrinter, downstream_.table()));
}

}  // namespace
}  // namespace q7310::lm::testing
