#include <gtest/gtest.h>

#include "Q7310DDI/page_output.h"
#include "Q7310DDI/printer_device.h"
#include "Q7310DDI/tests/driver_fixture.h"

namespace q7310::ddi {
namespace {

using test::DriverTest;
using test::WrittenJob;
using test::WrittenPage;

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kWhite = 0xFFFFFF;

TEST_F(DriverTest, PagesAreTurnedIntoThePrintersOrientation) {
  struct Case {
    int paperSize, orientation;
    uint32_t width, height, mediaSize;
    uint32_t dotX, dotY;  // where the surface's top-left pixel lands
  } cases[] = {
      {259, 1, 1844, 2434, 6, 0, 0},     // 6 x 8 portrait: as drawn
      {257, 1, 1844, 1240, 0, 0, 1239},  // 4 x 6 portrait: a quarter turn to the left
      {257, 2, 1844, 1240, 0, 0, 0},     // 4 x 6 landscape: as drawn
      {256, 1, 1844, 634, 7, 0, 633},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.paperSize << "/" << c.orientation);
    auto dc = open(formSettings(c.paperSize, c.orientation));
    ASSERT_NE(dc, nullptr);
    WrittenJob job = printPages(*dc, 1);
    ASSERT_EQ(job.pages.size(), 1u);
    const WrittenPage& page = job.pages[0];
    EXPECT_EQ(page.header.width, c.width);
    EXPECT_EQ(page.header.height, c.height);
    EXPECT_EQ(page.header.mediaSizeCode, c.mediaSize);
    EXPECT_EQ(page.header.printMethod, 0u);
    EXPECT_EQ(page.header.copies, 1u);
    EXPECT_EQ(page.end, jobstream::kPageEndSignature);
    EXPECT_EQ(page.rgb(c.dotX, c.dotY), kRed);  // channels in red, green, blue order
    EXPECT_EQ(page.rgb(c.dotX + 1, c.dotY), kWhite);
    EXPECT_EQ(job.leftover, 0u);
  }
}

TEST_F(DriverTest, PageHeaderCarriesThePrivateValues) {
  settings::PrintSettings s = formSettings(258);
  s.priv.printMode = 1;
  s.priv.printFinish = 1;
  s.priv.headerWordA = 0x11223344;
  s.priv.headerWordB = 0x55667788;
  s.priv.gamma = 0x12345;
  s.priv.scaling = 0x12345;  // keeps the page unoptimised: gamma equals scaling
  auto dc = open(s);
  ASSERT_NE(dc, nullptr);
  WrittenJob job = printPages(*dc, 1);
  ASSERT_EQ(job.pages.size(), 1u);
  const jobstream::PageHeader& h = job.pages[0].header;
  EXPECT_EQ(h.printMethod, jobstream::kPrintMethodSplit);
  EXPECT_EQ(h.mediaSizeCode, 0u);
  EXPECT_EQ(h.printQuality, 1u);
  EXPECT_EQ(h.laminate, 1u);
  EXPECT_EQ(h.headerWordA, 0x11223344u);
  EXPECT_EQ(h.headerWordB, 0x7788u);
  EXPECT_EQ(h.gamma, 0x2345u);
  EXPECT_EQ(h.emphasisKernel[4], 300u);
  EXPECT_EQ(h.emphasisKernel[1], static_cast<uint32_t>(-50));
}

TEST_F(DriverTest, FourBySixPagesArePairedOnASixByEightRibbon) {
  auto dc = open(formSettings(257, 1, 1));
  ASSERT_NE(dc, nullptr);
  WrittenJob job = printPages(*dc, 3);
  ASSERT_EQ(job.pages.size(), 2u);
  const WrittenPage& combined = job.pages[0];
  EXPECT_EQ(combined.header.printMethod, jobstream::kPrintMethodCombo);
  EXPECT_EQ(combined.header.mediaSizeCode, 0u);
  EXPECT_EQ(combined.header.width, 1844u);
  EXPECT_EQ(combined.header.height, 2492u);
  EXPECT_EQ(combined.header.copies, 1u);
  EXPECT_EQ(combined.rgb(0, 1239), kRed);         // the held page
  EXPECT_EQ(combined.rgb(0, 1240), kWhite);       // the 12 white rows
  EXPECT_EQ(combined.rgb(0, 1240 + 12 + 1239), kRed);  // the second page
  const WrittenPage& single = job.pages[1];  // the third page, flushed at the end
  EXPECT_EQ(single.header.printMethod, 0u);
  EXPECT_EQ(single.header.height, 1240u);
  EXPECT_EQ(single.rgb(0, 1239), kRed);
  EXPECT_NE(root_.debugLog("q7310ddi.log").find("PRINT CACHE: END DOC"), std::string::npos);
}

TEST_F(DriverTest, CopiesOfA4x6PageOnASixByEightRibbonGoSideBySide) {
  struct Case {
    int copies;
    uint32_t combinedCopies;
    bool extraSingle;
  } cases[] = {{3, 1, true}, {4, 2, false}, {2, 1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copies);
    auto dc = open(formSettings(257, 1, 1, c.copies));
    ASSERT_NE(dc, nullptr);
    WrittenJob job = printPages(*dc, 1);
    ASSERT_EQ(job.pages.size(), c.extraSingle ? 2u : 1u);
    EXPECT_EQ(job.pages[0].header.printMethod, jobstream::kPrintMethodCombo);
    EXPECT_EQ(job.pages[0].header.copies, c.combinedCopies);
    EXPECT_EQ(job.pages[0].rgb(0, 1239), kRed);
    EXPECT_EQ(job.pages[0].rgb(0, 2491), kRed);
    if (c.extraSingle) {
      EXPECT_EQ(job.pages[1].header.copies, 1u);
      EXPECT_EQ(job.pages[1].header.height, 1240u);
    }
  }
}

TEST_F(DriverTest, ASixByEightPageFlushesTheHeldPageFirst) {
  auto dc = open(formSettings(257, 1, 1));
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(dc->startDoc("mixed"));
  uint32_t jobId = dc->jobId();
  ASSERT_TRUE(dc->startPage());
  ASSERT_TRUE(dc->endPage());  // held
  ASSERT_TRUE(dc->resetDc(settings::bytesOf(formSettings(259, 1, 1))));
  ASSERT_TRUE(dc->startPage());
  ASSERT_TRUE(dc->endPage());
  ASSERT_TRUE(dc->endDoc());
  WrittenJob job = stream(jobId);
  ASSERT_EQ(job.pages.size(), 2u);
  EXPECT_EQ(job.pages[0].header.height, 1240u);
  EXPECT_EQ(job.pages[0].header.copies, 1u);
  EXPECT_EQ(job.pages[1].header.height, 2434u);
  EXPECT_NE(root_.debugLog("q7310ddi.log").find("PRINT CACHE: [1][FULL][EMPTY]"), std::string::npos);
}

TEST(PageRow, SurfacesThatMatchNoFormPrintAs4x6) {
  testing::TempRoot root;
  root.enableDebugLog();
  PrinterDevice device;
  device.settings = settings::defaultSettings(u"P", settings::SettingsModule::GraphicsDriver);
  device.settings.dm.dmFields &= ~(settings::kDmFormName | settings::kDmPaperSize);
  EXPECT_EQ(choosePageRow(device, 1844, 2434), 3);
  EXPECT_EQ(choosePageRow(device, 2434, 1844), 3);
  EXPECT_EQ(choosePageRow(device, 634, 1844), 0);
  EXPECT_EQ(root.debugLog("q7310ddi.log").find("FORCE DEFAULT"), std::string::npos);
  EXPECT_EQ(choosePageRow(device, 1000, 1000), 1);
  EXPECT_NE(root.debugLog("q7310ddi.log").find("FORM INDEX:  FORCE DEFAULT"), std::string::npos);
  // The paper size code wins only when the surface fits it.
  device.settings.dm.dmFields |= settings::kDmPaperSize;
  device.settings.dm.dmPaperSize = 258;
  EXPECT_EQ(choosePageRow(device, 1240, 1844), 2);
  EXPECT_EQ(choosePageRow(device, 1844, 2434), 3);
}

}  // namespace
}  // namespace q7310::ddi
