#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "common/le.h"
#include "outside/Q7310IP/q7310ip.h"
#include "outside/imaging/printer_image_format.h"
#include "outside/printer/dye_model.h"
#include "outside/printer/emulator/emulated_printer.h"
#include "outside/printer/emulator/print_picture.h"

namespace q7310::imaging {
namespace {

using Bytes = std::vector<uint8_t>;

// The data as the bridge hands it over: inside a zeroed area of the block.
Bytes area(const Bytes& data) {
  Bytes a(ip::kCorrectionArea);
  std::memcpy(a.data(), data.data(), std::min(data.size(), a.size()));
  return a;
}

TEST(ImagingLibraryTest, CheckAcceptsSoundDataForTheHeadWidthOnly) {
  Bytes good = area(printer::correctionData(0x09));
  struct Case {
    int32_t width, height;
    int expected;
  } sizes[] = {{1844, 1240, 1}, {1844, 2492, 1}, {1844, 634, 1}, {1844, 1, 1}, {1843, 1240, 0},
               {1845, 1240, 0}, {1844, 2493, 0}, {1844, 0, 0},   {1844, -5, 0}, {-1844, 1240, 0}};
  for (const Case& c : sizes) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    EXPECT_EQ(ip_checkIpp(c.width, c.height, good.data()), c.expected);
    uint32_t size = 0;
    EXPECT_EQ(ip_getMemorySize(&size, c.width, c.height, good.data()), c.expected);
    EXPECT_EQ(size, c.expected ? uint32_t(c.width) * uint32_t(c.height) * 8 : 0u);
  }
  // One flipped bit anywhere (header, tables, pattern, check value) is caught.
  for (size_t at : {size_t{0}, size_t{4}, size_t{9}, size_t{13}, size_t{700}, kOffPattern + 3, kOffCheck + 1}) {
    SCOPED_TRACE(at);
    Bytes bad = good;
    bad[at] ^= 0x04;
    EXPECT_EQ(ip_checkIpp(1844, 1240, bad.data()), 0);
  }
  EXPECT_EQ(ip_checkIpp(1844, 1240, nullptr), 0);
  EXPECT_EQ(ip_getMemorySize(nullptr, 1844, 1240, good.data()), 0);
}

TEST(ImagingLibraryTest, ConversionFollowsTheLayoutAndTheRequestedFinish) {
  const int32_t w = 1844, h = 3;
  Bytes rgb(size_t(w) * h * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 31 + 5);
  struct Finish {
    uint8_t requestByte;
    bool coated, even;
  } finishes[] = {{0x00, false, true}, {0x01, true, true}, {0x0A, true, false}};
  for (const Finish& f : finishes) {
    SCOPED_TRACE(int(f.requestByte));
    Bytes data = area(printer::correctionData(f.requestByte));
    auto cd = decodeCorrection(data);
    ASSERT_TRUE(cd);
    Bytes out(printerImageSize(w, h), 0xEE);
    ASSERT_EQ(ip_imageProc(out.data(), rgb.data(), w, h, data.data()), 1);
    Bytes again(out.size());
    ip_imageProc(again.data(), rgb.data(), w, h, data.data());
    EXPECT_EQ(out, again);
    std::set<uint16_t> laminate;
    for (size_t y = 0; y < size_t(h); ++y) {
      for (size_t x = 0; x < size_t(w); x += 97) {
        const uint8_t* px = &rgb[(y * w + x) * 3];
        ASSERT_EQ(le::u16(out, sampleOffset(kYellow, w, h, x, y)), cd->tone[kYellow][px[2]]);
        ASSERT_EQ(le::u16(out, sampleOffset(kMagenta, w, h, x, y)), cd->tone[kMagenta][px[1]]);
        ASSERT_EQ(le::u16(out, sampleOffset(kCyan, w, h, x, y)), cd->tone[kCyan][px[0]]);
        laminate.insert(le::u16(out, sampleOffset(kLaminate, w, h, x, y)));
      }
    }
    EXPECT_EQ(*laminate.begin() > 0, f.coated);
    EXPECT_EQ(laminate.size() == 1, f.even);
  }
  // White paper takes no dye, full red takes all of it.
  auto cd = decodeCorrection(printer::correctionData(1));
  EXPECT_EQ(cd->tone[kCyan][255], 0);
  EXPECT_EQ(cd->tone[kCyan][0], 65535);
  EXPECT_EQ(ip_imageProc(nullptr, rgb.data(), w, h, area(printer::correctionData(1)).data()), 0);
}

// The colour the dye model (and so the printer's ICC profile) promises for a
// printer RGB value, as sRGB seen relative to the paper.
std::array<double, 3> promisedSrgb(const uint8_t* px) {
  printer::Triple lab = printer::labFromRgb({double(px[0]), double(px[1]), double(px[2])});
  auto finv = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29); };
  double fy = (lab[0] + 16) / 116;
  printer::Triple xyz = {printer::kD50[0] * finv(fy + lab[1] / 500), printer::kD50[1] * finv(fy),
                         printer::kD50[2] * finv(fy - lab[2] / 200)};
  const double x = 0.9555766 * xyz[0] - 0.0230393 * xyz[1] + 0.0631636 * xyz[2];
  const double y = -0.0282895 * xyz[0] + 1.0099416 * xyz[1] + 0.0210077 * xyz[2];
  const double z = 0.0122982 * xyz[0] - 0.0204830 * xyz[1] + 1.3299098 * xyz[2];
  std::array<double, 3> lin = {3.2404542 * x - 1.5371385 * y - 0.4985314 * z,
                               -0.9692660 * x + 1.8760108 * y + 0.0415560 * z,
                               0.0556434 * x - 0.2040259 * y + 1.0572252 * z};
  for (double& v : lin) {
    v = std::clamp(v, 0.0, 1.0);
    v = 255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
  }
  return lin;
}

// What the printer renders from the library's data is the page in the
// printer's colours: what the dye model promises for each pixel.
TEST(ImagingLibraryTest, ARenderedPrintShowsThePageInThePrintersColours) {
  const int32_t w = 1844, h = 634;
  Bytes page(size_t(w) * h * 3);
  for (size_t y = 0; y < size_t(h); ++y) {
    for (size_t x = 0; x < size_t(w); ++x) {
      uint8_t* px = &page[(y * w + x) * 3];
      if (y < 200) {  // a grey ramp
        px[0] = px[1] = px[2] = static_cast<uint8_t>(x * 255 / (w - 1));
      } else if (y < 400) {  // soft colours, as photos have
        px[0] = static_cast<uint8_t>(120 + (x * 100 / w));
        px[1] = static_cast<uint8_t>(90 + (y - 200) / 3);
        px[2] = static_cast<uint8_t>(200 - (x * 120 / w));
      } else {  // saturated patches
        px[0] = static_cast<uint8_t>((x / 200) % 2 ? 255 : 0);
        px[1] = static_cast<uint8_t>((x / 400) % 2 ? 255 : 30);
        px[2] = static_cast<uint8_t>((y / 100) % 2 ? 255 : 60);
      }
    }
  }
  Bytes data = area(printer::correctionData(1));
  Bytes image(printerImageSize(w, h));
  ASSERT_EQ(ip_imageProc(image.data(), page.data(), w, h, data.data()), 1);
  printer::Picture print = printer::renderPrint(w, h, image);
  ASSERT_EQ(print.rgb.size(), page.size());
  double sum = 0;
  double worst = 0;
  for (size_t p = 0; p < page.size(); p += 3 * 7) {
    auto want = promisedSrgb(&page[p]);
    for (size_t c = 0; c < 3; ++c) {
      double d = std::abs(print.rgb[p + c] - want[c]);
      sum += d;
      worst = std::max(worst, d);
    }
  }
  EXPECT_LT(sum / double(page.size() / 7), 1.5);
  EXPECT_LT(worst, 6.0);
  // The grey ramp prints neutral, from near black to the white paper, never
  // getting darker along the way.
  int last = -1;
  for (size_t x = 0; x < size_t(w); ++x) {
    const uint8_t* px = &print.rgb[(100 * w + x) * 3];
    ASSERT_LE(std::abs(px[0] - px[1]) + std::abs(px[1] - px[2]), 6) << x;
    ASSERT_GE(px[1], last) << x;
    last = px[1];
  }
  EXPECT_LT(print.rgb[100 * w * 3 + 1], 30);
  EXPECT_EQ(last, 255);
}

}  // namespace
}  // namespace q7310::imaging
