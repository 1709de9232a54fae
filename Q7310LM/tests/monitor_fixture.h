// A fresh root on the virtual clock, a printer in the spooler, a downstream
// double, and ports that are closed again at the end of each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Q7310LM/monitor.h"
#include "Q7310LM/page_steps.h"
#include "platform/spooler/jobs.h"
#include "platform/spooler/printers.h"
#include "testing/downstream_double.h"
#include "testing/temp_root.h"

namespace q7310::lm::testing {

inline constexpr const char* kPrinter = "Photo";
inline constexpr const char16_t* kPrinterWide = u"Photo";

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    ASSERT_TRUE(spooler::addPrinter({kPrinter, "PORT1:", "Veltrano DPX-Q7310"}));
  }
  void TearDown() override {
    for (spooler::MonitorHandle handle : opened_) {
      if (findPort(handle) != nullptr) closePort(handle);
    }
    setPageSteps(nullptr);
  }

  spooler::MonitorHandle open(const char16_t* name = u"PORT1:") {
    spooler::MonitorHandle handle = nullptr;
    EXPECT_TRUE(openPortEx(name, kPrinterWide, &handle, downstream_.table()));
    if (handle != nullptr) opened_.push_back(handle);
    return handle;
  }
  // Starts a document for a job the spooler knows; returns its identifier.
  uint32_t start(spooler::MonitorHandle port) {
    uint32_t jobId = spooler::addJob(kPrinter, "doc");
    EXPECT_TRUE(startDocPort(port, kPrinterWide, jobId, 1, &docInfo_));
    return jobId;
  }
  std::string portLog(const std::string& port = "PORT1:") { return root_.debugLog("q7310lm_" + port + ".log"); }

  q7310::testing::TempRoot root_;
  q7310::testing::VirtualClock clock_;
  q7310::testing::DownstreamDouble downstream_;
  spooler::DocInfo1 docInfo_{u"doc", nullptr, u"RAW"};
  std::vector<spooler::MonitorHandle> opened_;
};

inline size_t countOf(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t pos = text.find(needle); pos != std::string::npos; pos = text.find(needle, pos + 1)) ++n;
  return n;
}

}  // namespace q7310::lm::testing
