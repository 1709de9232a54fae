#include "platform/spooler/port_driver.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>

#include "platform/os/clock.h"
#include "platform/os/errors.h"
#include "platform/spooler/jobs.h"
#include "platform/spooler/printers.h"
#include "testing/temp_root.h"

namespace q7310::spooler {
namespace {

// A monitor whose WritePort answers from a script and records every offer as
// (offset into the job, size).
struct FakeMonitor {
  struct Answer {
    bool ok;
    uint32_t take;  // UINT32_MAX: everything offered
  };
  static inline const uint8_t* base = nullptr;
  static inline std::vector<std::pair<size_t, uint32_t>> offers;
  static inline std::deque<Answer> answers;
  static inline uint32_t startDocError = 0;
  static inline bool reportJobs = true;
  static inline uint32_t startedJob = 0;
  static inline int endDocs = 0;
  static inline int token = 0;

  static bool openPortEx(const char16_t*, const char16_t*, MonitorHandle* handle, const MonitorTable*) {
    *handle = &token;
    return true;
  }
  static bool startDocPort(MonitorHandle, const char16_t*, uint32_t jobId, uint32_t, const void*) {
    if (startDocError != 0) {
      os::setLastError(startDocError);
      return false;
    }
    startedJob = jobId;
    return true;
  }
  static bool writePort(MonitorHandle, const uint8_t* buffer, uint32_t size, uint32_t* written) {
    offers.emplace_back(static_cast<size_t>(buffer - base), size);
    Answer answer{true, UINT32_MAX};
    if (!answers.empty()) {
      answer = answers.front();
      answers.pop_front();
    }
    *written = std::min(answer.take, size);
    if (!answer.ok) os::setLastError(os::kErrorWriteFault);
    return answer.ok;
  }
  static bool endDocPort(MonitorHandle) {
    ++endDocs;
    if (reportJobs) {
      ScopedPrinter printer("Photo");
      setJob(printer.get(), startedJob, JobControl::LastPageEjected);
    }
    return true;
  }
  static bool closePort(MonitorHandle) { return true; }

  static MonitorDescription description() {
    MonitorDescription d{};
    d.size = sizeof(MonitorTable);
    d.table.openPortEx = &openPortEx;
    d.table.startDocPort = &startDocPort;
    d.table.writePort = &writePort;
    d.table.endDocPort = &endDocPort;
    d.table.closePort = &closePort;
    return d;
  }
};

class PortDriverTest : public testing::VirtualClockTest {
 protected:
  void SetUp() override {
    FakeMonitor::offers.clear();
    FakeMonitor::answers.clear();
    FakeMonitor::startDocError = 0;
    FakeMonitor::reportJobs = true;
    FakeMonitor::endDocs = 0;
    ASSERT_TRUE(addPrinter({"Photo", "PORT1:", "D"}));
    ASSERT_TRUE(driver_.openPort("PORT1:", "Photo", nullptr));
    std::iota(job_.begin(), job_.end(), 0);
    FakeMonitor::base = job_.data();
  }

  MonitorDescription description_ = FakeMonitor::description();
  PortDriver driver_{&description_};
  std::vector<uint8_t> job_ = std::vector<uint8_t>(10);
};

TEST_F(PortDriverTest, OffersTheRestAgainAtOnceOrAfterAPauseWhenAWriteFailed) {
  FakeMonitor::answers = {{true, 2},  {true, 0},   // piece 0..3: two taken, then nothing
                          {true, 1},               // the last byte of the piece
                          {false, 1}, {true, 3},   // piece 3..7: one taken with a failure
                          {true, 3}};              // piece 7..10
  RunOptions options;
  options.pieces = cyclePieces({3, 4});
  options.retryPauseMs = 250;
  uint64_t before = os::tickCount64();
  DocumentResult result = driver_.runDocument(job_, options);
  EXPECT_EQ(FakeMonitor::offers, (std::vector<std::pair<size_t, uint32_t>>{
                                     {0, 3}, {2, 1}, {2, 1}, {3, 4}, {4, 3}, {7, 3}}));
  EXPECT_EQ(os::tickCount64() - before, 250u);  // only the failure paused
  EXPECT_TRUE(result.started);
  EXPECT_FALSE(result.abandoned);
  EXPECT_EQ(result.bytesTaken, 10u);
  EXPECT_EQ(result.writeCalls, 6u);
  EXPECT_EQ(result.idleWrites, 1u);
  EXPECT_EQ(result.failedWrites, 1u);
  EXPECT_EQ(result.writeErrors, std::vector<uint32_t>{os::kErrorWriteFault});
  EXPECT_EQ(result.takenPerCall, (std::vector<uint32_t>{2, 0, 1, 1, 3, 3}));
  EXPECT_TRUE(result.ended);
  EXPECT_TRUE(result.jobCompleted);
  EXPECT_TRUE(jobs("Photo").empty());
}

TEST_F(PortDriverTest, GivesUpAfterFailuresInARowAndStillEndsTheDocument) {
  FakeMonitor::reportJobs = false;
  FakeMonitor::answers = {{false, 0}, {false, 0}, {false, 0}};
  RunOptions options;
  options.maxFailedWrites = 3;
  DocumentResult result = driver_.runDocument(job_, options);
  EXPECT_TRUE(result.abandoned);
  EXPECT_EQ(result.failedWrites, 3u);
  EXPECT_EQ(FakeMonitor::endDocs, 1);
  EXPECT_FALSE(result.jobCompleted);
  EXPECT_TRUE(jobs("Photo").empty());  // the spooler deleted the job it gave up on
  ASSERT_EQ(jobReports("Photo").size(), 1u);
  EXPECT_EQ(jobReports("Photo")[0].control, JobControl::Delete);
}

TEST_F(PortDriverTest, RefusedStartWritesNothingAndDropsTheJob) {
  FakeMonitor::startDocError = os::kErrorBusy;
  DocumentResult result = driver_.runDocument(job_);
  EXPECT_FALSE(result.started);
  EXPECT_EQ(result.startError, os::kErrorBusy);
  EXPECT_TRUE(FakeMonitor::offers.empty());
  EXPECT_EQ(FakeMonitor::endDocs, 0);
  EXPECT_TRUE(jobs("Photo").empty());
}

TEST(PieceSizerTest, SizesStayWithinTheirBoundsAndRepeatPerSeed) {
  PieceSizer a = randomPieces(42, 5);
  PieceSizer b = randomPieces(42, 5);
  for (int i = 0; i < 200; ++i) {
    uint64_t size = a(0, 1000);
    EXPECT_GE(size, 1u);
    EXPECT_LE(size, 5u);
    EXPECT_EQ(size, b(0, 1000));
  }
  EXPECT_EQ(fixedPieces(1)(0, 50), 1u);
  EXPECT_EQ(wholePieces()(7, 50), 50u);
}

}  // namespace
}  // namespace q7310::spooler
