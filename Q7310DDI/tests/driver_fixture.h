// A root with the printer and its driver installed, print settings records to
// print with, and the job stream the driver wrote, taken apart.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "common/job_stream.h"
#include "common/settings/devmode.h"
#include "platform/gdi/printer_dc.h"
#include "platform/spooler/drivers.h"
#include "platform/spooler/print_jobs.h"
#include "platform/spooler/printers.h"
#include "testing/temp_root.h"

namespace q7310::ddi::test {

struct WrittenPage {
  jobstream::PageHeader header;
  std::vector<uint8_t> pixels;  // red, green, blue
  uint32_t end = 0;
  // The pixel at column x of row y, as 0xRRGGBB.
  uint32_t rgb(uint32_t x, uint32_t y) const {
    size_t at = (static_cast<size_t>(y) * header.width + x) * 3;
    return (uint32_t{pixels[at]} << 16) | (uint32_t{pixels[at + 1]} << 8) | pixels[at + 2];
  }
};

struct WrittenJob {
  std::vector<jobstream::JobHeader> jobHeaders;
  std::vector<WrittenPage> pages;
  size_t leftover = 0;
};

// Takes the stream apart as the port monitor's reader would: one job header,
// then pages; a page whose size does not fit what is left stops the walk.
inline WrittenJob parseStream(std::span<const uint8_t> data) {
  WrittenJob job;
  size_t at = 0;
  while (at + 4 <= data.size()) {
    uint32_t size = data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (uint32_t{data[at + 3]} << 24);
    if (size == jobstream::kJobHeaderSize && at + 16 <= data.size()) {
      job.jobHeaders.push_back(jobstream::JobHeader::read(data.subspan(at, 16)));
      at += 16;
      continue;
    }
    if (size != jobstream::kPageHeaderSize || at + 100 > data.size()) break;
    WrittenPage page;
    page.header = jobstream::PageHeader::read(data.subspan(at, 100));
    at += 100;
    size_t bytes = static_cast<size_t>(page.header.width) * page.header.height * 3;
    if (at + bytes + 4 > data.size()) break;
    page.pixels.assign(data.begin() + at, data.begin() + at + bytes);
    at += bytes;
    page.end = jobstream::readPageEnd(data.subspan(at, 4));
    at += 4;
    job.pages.push_back(std::move(page));
  }
  job.leftover = data.size() - at;
  return job;
}

class DriverTest : public testing::RootTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    ASSERT_TRUE(spooler::addPrinter({"DPX-Q7310", "Q7310_001:", "Veltrano DPX-Q7310"}));
    ASSERT_TRUE(spooler::addPrinterDriver(
        {3, "Veltrano DPX-Q7310", spooler::kEnvironmentX64, "Q7310DDI.dll", "", "Q7310UI.dll"}));
  }

  // Settings that leave the page as drawn (no optimisation step applies).
  static settings::PrintSettings plainSettings() {
    settings::PrintSettings s = settings::defaultSettings(u"DPX-Q7310", settings::SettingsModule::SettingsUi);
    s.priv.rotate180 = 1;
    s.priv.gamma = 100;
    s.priv.driverIcm = 1;
    return s;
  }
  static settings::PrintSettings formSettings(int paperSize, int orientation = 1, int ribbon = 0, int copies = 1) {
    settings::PrintSettings s = plainSettings();
    s.dm.dmFields = (s.dm.dmFields & ~settings::kDmFormName) | settings::kDmPaperSize;
    s.dm.dmPaperSize = static_cast<int16_t>(paperSize);
    s.dm.dmOrientation = static_cast<int16_t>(orientation);
    s.dm.dmCopies = static_cast<int16_t>(copies);
    s.priv.RibbonType = ribbon;
    return s;
  }

  std::unique_ptr<gdi::PrinterDc> open(const settings::PrintSettings& s) {
    auto dc = gdi::PrinterDc::create("DPX-Q7310", settings::bytesOf(s));
    EXPECT_NE(dc, nullptr);
    return dc;
  }

  // Prints pages, each with a red dot in the top-left corner over white.
  WrittenJob printPages(gdi::PrinterDc& dc, int pages) {
    EXPECT_TRUE(dc.startDoc("test"));
    uint32_t job = dc.jobId();
    for (int i = 0; i < pages; ++i) {
      EXPECT_TRUE(dc.startPage());
      EXPECT_TRUE(dc.fillRect({0, 0, 1, 1}, 0x000000FF));
      EXPECT_TRUE(dc.endPage());
    }
    EXPECT_TRUE(dc.endDoc());
    return stream(job);
  }

  static WrittenJob stream(uint32_t job) {
    auto data = spooler::spoolData(job);
    EXPECT_TRUE(data.has_value());
    return data ? parseStream(*data) : WrittenJob{};
  }
};

}  // namespace q7310::ddi::test
