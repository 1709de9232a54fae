#include <gtest/gtest.h>

#include "platform/os/errors.h"
#include "platform/spooler/jobs.h"
#include "platform/spooler/port_status.h"
#include "testing/temp_root.h"

namespace q7310::spooler {
namespace {

using PortStatusTest = testing::RootTest;
using JobsTest = testing::RootTest;

TEST_F(PortStatusTest, SetClearAndHistoryPerPortIgnoringCase) {
  EXPECT_TRUE(portStatus("Q7310_001:").cleared());
  PortStatus media{kPortStatusPaperProblem, "Unsupported media size", kPortStatusSeverityWarning};
  ASSERT_TRUE(setPortStatus("Q7310_001:", media));
  EXPECT_EQ(portStatus("q7310_001:"), media);
  EXPECT_TRUE(portStatus("Q7310_002:").cleared());
  ASSERT_TRUE(setPortStatus("Q7310_001:", PortStatus{}));
  EXPECT_TRUE(portStatus("Q7310_001:").cleared());
  EXPECT_EQ(portStatusHistory("Q7310_001:"), (std::vector<PortStatus>{media, PortStatus{}}));

  EXPECT_FALSE(setPortStatus("", media));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
  EXPECT_FALSE(setPortStatus("P:", PortStatus{1, "", 4}));
}

TEST_F(PortStatusTest, EachRootHasItsOwnPorts) {
  ASSERT_TRUE(setPortStatus("P:", PortStatus{kPortStatusDoorOpen, "", kPortStatusSeverityWarning}));
  {
    testing::TempRoot other;
    EXPECT_TRUE(portStatus("P:").cleared());
    EXPECT_TRUE(portStatusHistory("P:").empty());
  }
  EXPECT_EQ(portStatus("P:").status, kPortStatusDoorOpen);
}

TEST_F(JobsTest, LastPageEjectedEndsTheJobAndIsRecorded) {
  ASSERT_TRUE(addPrinter({"Photo", "Q7310_001:", "D"}));
  EXPECT_EQ(addJob("nobody", "doc"), 0u);
  EXPECT_EQ(os::lastError(), os::kErrorInvalidPrinterName);
  uint32_t first = addJob("photo", "first");
  uint32_t second = addJob("Photo", "second");
  ASSERT_NE(first, 0u);
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(jobs("PHOTO"), (std::vector<JobInfo>{{first, "Photo", "first"}, {second, "Photo", "second"}}));

  ScopedPrinter printer("Photo");
  ASSERT_TRUE(printer);
  EXPECT_TRUE(setJob(printer.get(), first, JobControl::SentToPrinter));
  EXPECT_EQ(jobs("Photo").size(), 2u);  // only the end of the job lets it go
  EXPECT_TRUE(setJob(printer.get(), first, JobControl::LastPageEjected));
  EXPECT_EQ(jobs("Photo"), (std::vector<JobInfo>{{second, "Photo", "second"}}));

  // A report for a job the spooler no longer has fails but is still recorded.
  EXPECT_FALSE(setJob(printer.get(), first, JobControl::LastPageEjected));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
  EXPECT_EQ(jobReports("photo"), (std::vector<JobReport>{{"Photo", first, JobControl::SentToPrinter, true},
                                                         {"Photo", first, JobControl::LastPageEjected, true},
                                                         {"Photo", first, JobControl::LastPageEjected, false}}));
}

TEST_F(JobsTest, ClosedHandleIsRefusedAndNotRecorded) {
  ASSERT_TRUE(addPrinter({"Photo", "Q7310_001:", "D"}));
  uint32_t job = addJob("Photo", "doc");
  PrinterHandle handle = openPrinter("Photo");
  ASSERT_TRUE(closePrinter(handle));
  EXPECT_FALSE(setJob(handle, job, JobControl::LastPageEjected));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);
  EXPECT_TRUE(jobReports("Photo").empty());
  EXPECT_EQ(jobs("Photo").size(), 1u);
}

}  // namespace
}  // namespace q7310::spooler
