#include <gtest/gtest.h>

#include <algorithm>

#include "platform/gdi/engine.h"
#include "platform/gdi/printer_dc.h"
#include "platform/gdi/tests/surface_helpers.h"
#include "platform/os/errors.h"
#include "platform/os/library.h"
#include "platform/spooler/drivers.h"
#include "platform/spooler/jobs.h"
#include "platform/spooler/print_jobs.h"
#include "testing/temp_root.h"

namespace q7310::gdi {
namespace {

using testing::rgb;

constexpr uint32_t kRed = rgb(255, 0, 0);

class PrinterDcTest : public q7310::testing::RootTest {
 protected:
  void SetUp() override {
    // Held for the whole test, so the driver's call record outlives every
    // device context that loads and releases the driver.
    driver_ = os::Library::load("Q7310FAKEDDI.dll");
    ASSERT_NE(driver_, nullptr);
    driver_->function<void (*)()>("FakeDriverClearCalls")();
    ASSERT_TRUE(spooler::addPrinterDriver({3, "Fake Driver", spooler::kEnvironmentX64, "Q7310FAKEDDI.dll", "Q7310.GPD", "Q7310UI.dll"}));
    ASSERT_TRUE(spooler::addPrinter({"Photo", "Q7310_001:", "Fake Driver"}));
    surfaces_ = liveSurfaceCount();
    palettes_ = livePaletteCount();
    handles_ = spooler::openPrinterHandleCount();
  }
  void TearDown() override {
    // Nothing the device context or the driver made is left behind.
    EXPECT_EQ(liveSurfaceCount(), surfaces_);
    EXPECT_EQ(livePaletteCount(), palettes_);
    EXPECT_EQ(spooler::openPrinterHandleCount(), handles_);
  }
  std::string calls() const { return driver_->function<const char* (*)()>("FakeDriverCalls")(); }

  std::unique_ptr<os::Library> driver_;
  size_t surfaces_ = 0, palettes_ = 0, handles_ = 0;
};

std::vector<uint8_t> text(std::string_view s) { return {s.begin(), s.end()}; }
std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
// A page as the fake driver writes it: rows of blue, green, red.
std::vector<uint8_t> pixels(std::initializer_list<uint32_t> colors) {
  std::vector<uint8_t> out;
  for (uint32_t c : colors) {
    out.push_back(static_cast<uint8_t>(c >> 16));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c));
  }
  return out;
}

TEST_F(PrinterDcTest, DocumentLifeCycleInOrderWithSpoolData) {
  const uint32_t w = 0xFFFFFF;
  {
    auto dc = PrinterDc::create("photo", std::vector<uint8_t>{0, 2, 2});
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->pageSize(), (SizeL{2, 2}));
    EXPECT_EQ(dc->deviceCaps().ulHorzRes, 2u);
    EXPECT_EQ(dc->deviceCaps().ulLogPixelsX, 300u);
    EXPECT_EQ(dc->deviceInfo().flGraphicsCaps, 0x1234u);  // the device name reached the driver
    EXPECT_NE(dc->deviceInfo().hpalDefault, nullptr);
    ASSERT_TRUE(dc->startDoc("A"));
    const uint32_t job = dc->jobId();
    ASSERT_NE(job, 0u);
    ASSERT_TRUE(dc->startPage());
    ASSERT_TRUE(dc->fillRect({1, 0, 2, 1}, kRed));
    ASSERT_TRUE(dc->endPage());
    ASSERT_TRUE(dc->startPage());
    ASSERT_TRUE(dc->endPage());
    ASSERT_TRUE(dc->endDoc());
    EXPECT_EQ(dc->jobId(), 0u);
    EXPECT_EQ(spooler::spoolData(job),
              concat({text("DOC;PAGE;"), pixels({w, kRed, w, w}), text("PAGE;"), pixels({w, w, w, w}), text(";END")}));
    const auto queued = spooler::queuedJobs("Photo");
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].document, "A");
  }
  EXPECT_EQ(calls(),
            "EnableDriver EnablePDEV CompletePDEV EnableSurface StartDoc:1:65 StartPage BitBlt SendPage StartPage "
            "SendPage EndDoc:0 DisableSurface DisablePDEV DisableDriver");
}

TEST_F(PrinterDcTest, DrawingGoesToHookedCallbacksElseToTheEngine) {
  // A 2 x 2 picture: red, green / blue, black.
  const std::vector<uint8_t> bits = concat({pixels({kRed, rgb(0, 255, 0)}), {0, 0}, pixels({rgb(0, 0, 255), 0}), {0, 0}});
  const Picture picture{bits.data(), 2, 2, 8};
  for (bool hooked : {true, false}) {
    SCOPED_TRACE(hooked);
    driver_->function<void (*)()>("FakeDriverClearCalls")();
    auto dc = PrinterDc::create("Photo", std::vector<uint8_t>{uint8_t(hooked ? 0 : 2), 8, 8});
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(dc->startDoc("doc"));
    ASSERT_TRUE(dc->startPage());
    ASSERT_TRUE(dc->drawPicture(picture, {0, 0, 2, 2}, {0, 0, 2, 2}, kColorOnColor));  // same size: a blit
    ASSERT_TRUE(dc->drawPicture(picture, {4, 0, 8, 4}, {0, 0, 2, 2}, kColorOnColor));  // doubled: a stretch
    ASSERT_TRUE(dc->textOut({0, 4}, u"I", 8, kRed));                                      // never hooked
    ASSERT_TRUE(dc->drawLine({0, 7}, {3, 7}, kRed));
    const SurfObj* s = dc->surface();
    auto at = [s](int x, int y) {
      const uint8_t* p = s->pvScan0 + y * s->lDelta + x * 3;
      return rgb(p[2], p[1], p[0]);
    };
    EXPECT_EQ(at(1, 0), rgb(0, 255, 0));
    EXPECT_EQ(at(0, 1), rgb(0, 0, 255));
    EXPECT_EQ(at(4, 0), kRed);
    // The fake driver forces HALFTONE, which blends inside the picture.
    EXPECT_EQ(at(5, 1) == kRed, !hooked);
    EXPECT_EQ(at(7, 3), 0u);
    EXPECT_EQ(at(2, 4), kRed);   // top of the 'I'
    EXPECT_EQ(at(0, 7), kRed);   // the line
    EXPECT_EQ(at(3, 7), 0xFFFFFFu);  // without its end point
    ASSERT_TRUE(dc->endDoc());
    const std::string log = calls();
    EXPECT_EQ(log.find("BitBlt") != std::string::npos, hooked) << log;
    // The driver's StretchBlt saw the application's mode.
    EXPECT_EQ(log.find("StretchBlt:3") != std::string::npos, hooked) << log;
  }
}

TEST_F(PrinterDcTest, ResetBetweenPagesMovesTheDocumentToTheNewDevice) {
  auto dc = PrinterDc::create("Photo", std::vector<uint8_t>{0, 2, 1});
  ASSERT_NE(dc, nullptr);
  ASSERT_TRUE(dc->startDoc("doc"));
  const uint32_t job = dc->jobId();
  ASSERT_TRUE(dc->startPage());
  ASSERT_TRUE(dc->endPage());
  driver_->function<void (*)()>("FakeDriverClearCalls")();
  ASSERT_TRUE(dc->resetDc(std::vector<uint8_t>{0, 1, 2}));
  EXPECT_EQ(calls(), "EnablePDEV CompletePDEV ResetPDEV DisableSurface DisablePDEV EnableSurface");
  EXPECT_EQ(dc->pageSize(), (SizeL{1, 2}));
  EXPECT_EQ(dc->deviceCaps().ulVertRes, 2u);
  ASSERT_TRUE(dc->startPage());
  ASSERT_TRUE(dc->fillRect({0, 1, 1, 2}, kRed));
  ASSERT_TRUE(dc->endPage());
  ASSERT_TRUE(dc->endDoc());
  // One document header only, and the second page in the new size.
  EXPECT_EQ(spooler::spoolData(job), concat({text("DOC;PAGE;"), pixels({0xFFFFFF, 0xFFFFFF}), text("PAGE;"),
                                             pixels({0xFFFFFF, kRed}), text(";END")}));
}

TEST_F(PrinterDcTest, ResetRefusedKeepsTheOldDevice) {
  auto dc = PrinterDc::create("Photo", std::vector<uint8_t>{0, 3, 3});
  ASSERT_NE(dc, nullptr);
  EXPECT_FALSE(dc->resetDc(std::vector<uint8_t>{1, 0, 0}));  // the driver makes no new device
  EXPECT_EQ(dc->pageSize(), (SizeL{3, 3}));
  EXPECT_EQ(dc->deviceCaps().ulHorzRes, 3u);
  ASSERT_TRUE(dc->startDoc("still works"));
  ASSERT_TRUE(dc->startPage());
  EXPECT_TRUE(dc->startPage() == false);  // a page is already open
  EXPECT_EQ(os::lastError(), os::kErrorInvalidPrinterState);
  EXPECT_FALSE(dc->resetDc({}));  // not in the middle of a page
  ASSERT_TRUE(dc->endPage());
  ASSERT_TRUE(dc->endDoc());
}

TEST_F(PrinterDcTest, DestroyingWithAnOpenDocumentAbandonsTheJob) {
  uint32_t job = 0;
  {
    auto dc = PrinterDc::create("Photo");
    ASSERT_NE(dc, nullptr);
    EXPECT_FALSE(dc->startPage());  // no document yet
    ASSERT_TRUE(dc->startDoc("doc"));
    EXPECT_FALSE(dc->startDoc("second"));
    job = dc->jobId();
    ASSERT_TRUE(dc->startPage());
  }
  EXPECT_NE(calls().find("EndDoc:1 DisableSurface"), std::string::npos) << calls();
  EXPECT_TRUE(spooler::jobs("Photo").empty());
  EXPECT_EQ(spooler::spoolData(job), std::nullopt);
}

TEST_F(PrinterDcTest, EscapeReachesTheDriver) {
  auto dc = PrinterDc::create("Photo");
  ASSERT_NE(dc, nullptr);
  const uint8_t in[2] = {3, 0};
  uint8_t out[4] = {};
  EXPECT_EQ(dc->escape(kEscapeSetCopyCount, in, out), 1000 + 170 + 2);
}

TEST_F(PrinterDcTest, CreationFailures) {
  ASSERT_TRUE(spooler::addPrinterDriver({3, "Missing", spooler::kEnvironmentX64, "NoSuchDriver.dll", "Q7310.GPD", "Q7310UI.dll"}));
  ASSERT_TRUE(spooler::addPrinter({"Broken", "Q7310_002:", "Missing"}));
  ASSERT_TRUE(spooler::addPrinter({"Orphan", "Q7310_003:", "Not Installed"}));
  struct Case {
    const char* printer;
    std::vector<uint8_t> devMode;
    uint32_t error;
  };
  const Case cases[] = {
      {"Nobody", {}, os::kErrorInvalidPrinterName},
      {"Broken", {}, os::kErrorModNotFound},
      {"Photo", {1, 0, 0}, os::kErrorGenFailure},  // no device
      {"Photo", {4, 0, 0}, os::kErrorGenFailure},  // no surface
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printer);
    os::setLastError(0);
    EXPECT_EQ(PrinterDc::create(c.printer, c.devMode), nullptr);
    EXPECT_EQ(os::lastError(), c.error);
  }
  EXPECT_EQ(PrinterDc::create("Orphan"), nullptr);
  // A device whose surface failed is disabled again.
  EXPECT_NE(calls().find("EnableSurface DisablePDEV"), std::string::npos) << calls();
}

}  // namespace
}  // namespace q7310::gdi
