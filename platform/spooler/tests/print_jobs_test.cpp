#include <gtest/gtest.h>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/spooler/jobs.h"
#include "platform/spooler/print_jobs.h"
#include "testing/temp_root.h"

namespace q7310::spooler {
namespace {

using PrintJobsTest = testing::RootTest;

std::vector<uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST_F(PrintJobsTest, DocumentSpoolsIntoItsJobAndIsQueuedAtTheEnd) {
  ASSERT_TRUE(addPrinter({"Photo", "Q7310_001:", "D"}));
  ScopedPrinter printer("Photo");
  const uint32_t job = startDocPrinter(printer.get(), "holiday.jpg");
  ASSERT_NE(job, 0u);
  EXPECT_EQ(openDocumentJob(printer.get()), job);
  EXPECT_EQ(jobs("Photo"), (std::vector<JobInfo>{{job, "Photo", "holiday.jpg"}}));
  ASSERT_TRUE(writePrinter(printer.get(), bytes("HEAD")));
  ASSERT_TRUE(writePrinter(printer.get(), {}));
  ASSERT_TRUE(writePrinter(printer.get(), bytes("ER")));
  // Readable while the document is still open, but not queued yet.
  EXPECT_EQ(spoolData(job), bytes("HEADER"));
  EXPECT_EQ(spooledJob(job), (SpooledJob{job, "Photo", "holiday.jpg", false, 6}));
  EXPECT_TRUE(queuedJobs("Photo").empty());

  ASSERT_TRUE(endDocPrinter(printer.get()));
  EXPECT_EQ(openDocumentJob(printer.get()), 0u);
  EXPECT_EQ(queuedJobs("photo"), (std::vector<SpooledJob>{{job, "Photo", "holiday.jpg", true, 6}}));
  EXPECT_EQ(spoolData(job), bytes("HEADER"));
  EXPECT_TRUE(os::fileExists(spoolFilePath(job)));

  // Once the port reports the job done, the spooler no longer queues it.
  ASSERT_TRUE(setJob(printer.get(), job, JobControl::LastPageEjected));
  EXPECT_TRUE(queuedJobs("Photo").empty());
}

TEST_F(PrintJobsTest, CallsOutOfOrderOrOnBadHandlesFail) {
  ASSERT_TRUE(addPrinter({"Photo", "Q7310_001:", "D"}));
  ScopedPrinter printer("Photo");
  int dummy = 0;
  auto madeUp = reinterpret_cast<PrinterHandle>(&dummy);
  os::setLastError(0);
  EXPECT_FALSE(writePrinter(printer.get(), bytes("x")));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidPrinterState);
  EXPECT_FALSE(endDocPrinter(printer.get()));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidPrinterState);
  EXPECT_EQ(startDocPrinter(madeUp, "d"), 0u);
  EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);
  EXPECT_FALSE(writePrinter(madeUp, bytes("x")));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);

  ASSERT_NE(startDocPrinter(printer.get(), "one"), 0u);
  EXPECT_EQ(startDocPrinter(printer.get(), "two"), 0u);  // one document per handle at a time
  EXPECT_EQ(os::lastError(), os::kErrorInvalidPrinterState);
  EXPECT_EQ(jobs("Photo").size(), 1u);
}

TEST_F(PrintJobsTest, AbortRemovesDataAndJob) {
  ASSERT_TRUE(addPrinter({"Photo", "Q7310_001:", "D"}));
  ScopedPrinter printer("Photo");
  const uint32_t job = startDocPrinter(printer.get(), "doc");
  ASSERT_TRUE(writePrinter(printer.get(), bytes("partial")));
  ASSERT_TRUE(abortPrinter(printer.get()));
  EXPECT_TRUE(jobs("Photo").empty());
  EXPECT_EQ(spoolData(job), std::nullopt);
  EXPECT_EQ(spooledJob(job), std::nullopt);
  // The handle is free for the next document.
  const uint32_t next = startDocPrinter(printer.get(), "again");
  EXPECT_NE(next, 0u);
  EXPECT_NE(next, job);
  EXPECT_TRUE(endDocPrinter(printer.get()));
  EXPECT_EQ(spoolData(next), std::vector<uint8_t>{});
}

TEST_F(PrintJobsTest, ClosingTheHandleAbandonsItsOpenDocument) {
  ASSERT_TRUE(addPrinter({"Photo", "Q7310_001:", "D"}));
  PrinterHandle printer = openPrinter("Photo");
  const uint32_t job = startDocPrinter(printer, "left open");
  ASSERT_NE(job, 0u);
  ASSERT_TRUE(writePrinter(printer, bytes("HALF")));
  ASSERT_TRUE(closePrinter(printer));
  EXPECT_TRUE(jobs("Photo").empty());
  EXPECT_FALSE(spoolData(job).has_value());
  ScopedPrinter again("Photo");
  EXPECT_EQ(openDocumentJob(again.get()), 0u);
}

TEST_F(PrintJobsTest, TwoHandlesSpoolTwoJobs) {
  ASSERT_TRUE(addPrinter({"Photo", "Q7310_001:", "D"}));
  ScopedPrinter a("Photo");
  ScopedPrinter b("Photo");
  const uint32_t ja = startDocPrinter(a.get(), "a");
  const uint32_t jb = startDocPrinter(b.get(), "b");
  ASSERT_TRUE(writePrinter(b.get(), bytes("bb")));
  ASSERT_TRUE(writePrinter(a.get(), bytes("a")));
  ASSERT_TRUE(endDocPrinter(b.get()));
  ASSERT_TRUE(endDocPrinter(a.get()));
  EXPECT_EQ(spoolData(ja), bytes("a"));
  EXPECT_EQ(spoolData(jb), bytes("bb"));
  const auto queued = queuedJobs("Photo");
  ASSERT_EQ(queued.size(), 2u);
  EXPECT_EQ(queued[0].jobId, ja);  // oldest first
}

}  // namespace
}  // namespace q7310::spooler
