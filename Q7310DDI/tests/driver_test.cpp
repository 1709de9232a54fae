#include <gtest/gtest.h>

#include <array>

#include "Q7310DDI/tests/driver_fixture.h"
#include "platform/gdi/types.h"
#include "platform/os/errors.h"
#include "platform/os/library.h"
#include "platform/spooler/printer_values.h"

namespace q7310::ddi {
namespace {

using test::DriverTest;
using test::WrittenJob;

TEST(DriverEntry, ReportsItsTableAndRefusesOldEngines) {
  auto lib = os::Library::load("Q7310DDI.dll");
  ASSERT_NE(lib, nullptr);
  using EnableFn = int32_t (*)(uint32_t, uint32_t, gdi::DrvEnableData*);
  using QueryFn = int32_t (*)(uint32_t, void*, uint32_t, uint32_t*);
  auto enable = lib->function<EnableFn>("DrvEnableDriver");
  auto query = lib->function<QueryFn>("DrvQueryDriverInfo");
  ASSERT_TRUE(enable && query && lib->symbol("DllMain") && lib->symbol("DrvDisableDriver"));
  gdi::DrvEnableData data{};
  EXPECT_EQ(enable(0x1FFFF, sizeof data, &data), 0);
  EXPECT_EQ(os::lastError(), os::kErrorBadDriverLevel);
  EXPECT_EQ(enable(gdi::kEngineVersion, 15, &data), 0);
  ASSERT_EQ(enable(gdi::kEngineVersion, sizeof data, &data), 1);
  EXPECT_EQ(data.iDriverVersion, 0x30000u);
  ASSERT_EQ(data.c, 26u);
  std::array<bool, 80> seen{};
  for (uint32_t i = 0; i < data.c; ++i) {
    ASSERT_LT(data.pdrvfn[i].iFunc, seen.size());
    EXPECT_NE(data.pdrvfn[i].pfn, nullptr);
    seen[data.pdrvfn[i].iFunc] = true;
  }
  for (uint32_t index : {0, 1, 2, 3, 4, 7, 13, 14, 15, 16, 17, 18, 19, 20, 23, 24, 31, 32, 33, 34, 35, 68, 69, 70,
                         71, 74}) {
    EXPECT_TRUE(seen[index]) << index;
  }
  uint32_t answer = 0;
  uint32_t needed = 0;
  EXPECT_EQ(query(1, &answer, 4, &needed), 1);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(query(2, &answer, 4, &needed), 0);
}

TEST_F(DriverTest, SurfaceSizeFollowsTheFormAndOrientation) {
  struct Case {
    int paperSize, orientation;
    gdi::SizeL size;
  } cases[] = {{256, 1, {634, 1844}},  {257, 1, {1240, 1844}}, {258, 1, {1240, 1844}},
               {259, 1, {1844, 2434}}, {259, 2, {2434, 1844}}, {257, 2, {1844, 1240}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.paperSize << "/" << c.orientation);
    auto dc = open(formSettings(c.paperSize, c.orientation));
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->pageSize(), c.size);
    EXPECT_EQ(dc->deviceCaps().ulHorzRes, static_cast<uint32_t>(c.size.cx));
    EXPECT_EQ(dc->deviceCaps().szlPhysSize, c.size);
  }
}

TEST_F(DriverTest, AnUnresolvableFormPrintsAs4x6) {
  settings::PrintSettings s = plainSettings();
  s.dm.dmFields = settings::kDmFormName;
  std::fill(std::begin(s.dm.dmFormName), std::end(s.dm.dmFormName), u'\0');
  std::copy_n(u"Letter", 6, s.dm.dmFormName);
  auto dc = open(s);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->pageSize(), (gdi::SizeL{1240, 1844}));
}

TEST_F(DriverTest, DeviceCapsCarryTheFixedValuesAndTheHalftoneInformation) {
  auto dc = open(formSettings(259));
  ASSERT_NE(dc, nullptr);
  const gdi::GdiInfo& caps = dc->deviceCaps();
  EXPECT_EQ(caps.ulVersion, 0x500u);
  EXPECT_EQ(caps.ulTechnology, 2u);
  EXPECT_EQ(caps.ulHorzSize, 156u);
  EXPECT_EQ(caps.ulVertSize, 206u);
  EXPECT_EQ(caps.cBitsPixel, 24u);
  EXPECT_EQ(caps.ulNumColors, 0xFFFFFFFFu);
  EXPECT_EQ(caps.ulAspectXY, 424u);
  EXPECT_EQ(caps.denStyleStep, 12);
  EXPECT_EQ(caps.ciDevice.red.x, 6380);
  EXPECT_EQ(caps.ciDevice.magentaInYellowDye, 10000);
  EXPECT_EQ(caps.ulHTPatternSize, 5u);
  EXPECT_EQ(caps.flHTFlags, 2u);
  EXPECT_EQ(dc->deviceInfo().flGraphicsCaps, 0x0200053Cu);
  EXPECT_EQ(std::u16string(dc->deviceInfo().lfAnsiVarFont.lfFaceName), u"Arial");
  EXPECT_NE(dc->deviceInfo().hpalDefault, nullptr);

  // A stored halftone record replaces the built-in one; a big pattern size falls back to 5.
  std::vector<uint8_t> ht(132, 0);
  ht[4] = 20;   // pattern size
  ht[8] = 200;  // device pixel size
  ht[12] = 0x34;
  ht[13] = 0x12;  // red x = 0x1234
  {
    spooler::ScopedPrinter admin("DPX-Q7310", spooler::kPrinterAllAccess);
    ASSERT_TRUE(spooler::setPrinterData(admin.get(), "CurDevHTInfo", {spooler::kRegBinary, ht}));
  }
  settings::PrintSettings s = formSettings(259);
  s.dm.dmScale = 50;
  s.dm.dmFields |= settings::kDmScale;
  dc = open(s);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->deviceCaps().ciDevice.red.x, 0x1234);
  EXPECT_EQ(dc->deviceCaps().ulHTPatternSize, 5u);
  EXPECT_EQ(dc->deviceCaps().ulDevicePelsDPI, 100u);
}

// A checkerboard shrunk by half: HALFTONE averages it to grey, nearest sampling keeps black or white.
TEST_F(DriverTest, StretchesAreForcedToHalftoneUnlessTheUserKeptTheApplicationsMode) {
  std::vector<uint8_t> board(4 * 4 * 3);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) std::fill_n(board.begin() + (y * 4 + x) * 3, 3, ((x + y) % 2) ? 255 : 0);
  }
  gdi::Picture picture{board.data(), 4, 4, 12};
  auto middleValue = [&](std::span<const uint8_t> record) {
    auto dc = gdi::PrinterDc::create("DPX-Q7310", record);
    EXPECT_NE(dc, nullptr);
    if (!dc) return -1;
    dc->startDoc("stretch");
    dc->startPage();
    EXPECT_TRUE(dc->drawPicture(picture, {0, 0, 2, 2}, {0, 0, 4, 4}, gdi::kColorOnColor));
    int value = dc->surface()->pvScan0[0];
    dc->abortDoc();
    return value;
  };
  settings::PrintSettings s = plainSettings();
  // Without a private part: forced.
  std::vector<uint8_t> publicOnly(settings::bytesOf(s).begin(), settings::bytesOf(s).begin() + 220);
  publicOnly[70] = 0;
  publicOnly[71] = 0;
  int forced = middleValue(publicOnly);
  EXPECT_GT(forced, 60);
  EXPECT_LT(forced, 195);
  s.priv.resampling = 1;  // "Windows Default"
  int kept = middleValue(settings::bytesOf(s));
  EXPECT_TRUE(kept == 0 || kept == 255) << kept;
}

TEST_F(DriverTest, CopyCountEscapes) {
  auto dc = open(plainSettings());
  ASSERT_NE(dc, nullptr);
  auto setCopies = [&](uint16_t count, std::span<uint8_t> out) {
    std::array<uint8_t, 2> in{static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)};
    return dc->escape(17, in, out);
  };
  std::array<uint8_t, 4> out{};
  EXPECT_EQ(setCopies(0, out), 1);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(setCopies(20000, out), 9999);
  EXPECT_EQ(out[0] | (out[1] << 8), 9999);
  std::array<uint8_t, 1> small{};
  EXPECT_EQ(setCopies(300, small), 300);
  EXPECT_EQ(small[0], 300 & 0xFF);
  std::array<uint8_t, 4> wide{17, 0, 0, 0};
  EXPECT_EQ(dc->escape(8, wide, {}), 9999);
  std::array<uint8_t, 1> one{8};
  EXPECT_EQ(dc->escape(8, one, {}), 1);
  std::array<uint8_t, 3> odd{17, 0, 0};
  EXPECT_EQ(dc->escape(8, odd, {}), 0);
  EXPECT_EQ(dc->escape(8, {}, {}), 0);
  EXPECT_EQ(dc->escape(99, one, {}), -1);
  EXPECT_EQ(dc->escape(17, one, {}), -1);  // the count takes two bytes
  EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
}

TEST_F(DriverTest, CopiesSetByEscapeReachThePageHeader) {
  auto dc = open(formSettings(259));
  ASSERT_NE(dc, nullptr);
  std::array<uint8_t, 2> in{3, 0};
  ASSERT_EQ(dc->escape(17, in, {}), 3);
  WrittenJob job = printPages(*dc, 1);
  ASSERT_EQ(job.pages.size(), 1u);
  EXPECT_EQ(job.pages[0].header.copies, 3u);
}

TEST_F(DriverTest, AResetBetweenPagesKeepsOneJobHeaderAndTheHeldPage) {
  auto dc = open(formSettings(257, 1, 1));
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(dc->startDoc("reset"));
  uint32_t job = dc->jobId();
  ASSERT_TRUE(dc->startPage());
  ASSERT_TRUE(dc->endPage());  // held: 4 x 6 on a 6 x 8 ribbon
  ASSERT_TRUE(dc->resetDc(settings::bytesOf(formSettings(257, 1, 1))));
  ASSERT_TRUE(dc->startPage());
  ASSERT_TRUE(dc->endPage());  // paired with the held one
  ASSERT_TRUE(dc->endDoc());
  WrittenJob written = stream(job);
  EXPECT_EQ(written.jobHeaders.size(), 1u);
  ASSERT_EQ(written.pages.size(), 1u);
  EXPECT_EQ(written.pages[0].header.printMethod, jobstream::kPrintMethodCombo);
  EXPECT_EQ(written.leftover, 0u);
}

TEST_F(DriverTest, JobHeaderCarriesModelAndRibbon) {
  auto dc = open(formSettings(259, 1, 1));
  ASSERT_NE(dc, nullptr);
  WrittenJob job = printPages(*dc, 1);
  ASSERT_EQ(job.jobHeaders.size(), 1u);
  EXPECT_EQ(job.jobHeaders[0].modelNumber, 7310u);
  EXPECT_EQ(job.jobHeaders[0].ribbonType, 1u);
  EXPECT_EQ(job.jobHeaders[0].streamVersion, 1u);
}

}  // namespace
}  // namespace q7310::ddi
