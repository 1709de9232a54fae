#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Q5150FLT/tone/tone_curve.h"
#include "Q5150FLT/tone/tone_files.h"
#include "platform/os/files.h"
#include "testing/temp_root.h"

namespace q7310::flt::tone {
namespace {

ToneTable tableOf(std::vector<TonePoint> points) {
  ToneTable t = identityTable();
  buildPointTable(points, t);
  return t;
}

TEST(ToneTables, TwoPointsAreStraightAndFlatOutside) {
  ToneTable inverted = tableOf({{255, 0}, {0, 255}});
  for (int i = 0; i < 256; ++i) ASSERT_EQ(inverted[i], 255 - i) << i;

  // (output, input) pairs given out of order; flat outside, integer steps inside.
  ToneTable t = tableOf({{200, 150}, {100, 50}});
  EXPECT_EQ(t[0], 100);
  EXPECT_EQ(t[50], 100);
  EXPECT_EQ(t[51], 101);
  EXPECT_EQ(t[149], 199);
  EXPECT_EQ(t[255], 200);

  // One point leaves the table alone; two points on one input do not divide by zero.
  ToneTable kept = tableOf({{10, 10}});
  EXPECT_EQ(kept, identityTable());
  ToneTable same = tableOf({{40, 90}, {220, 90}});
  EXPECT_EQ(same, identityTable());
}

TEST(ToneTables, ThreePointsFollowTheNaturalSpline) {
  // One inner point: its second derivative / 6 solves 2 (h0 + h1) m = dy1/h1 - dy0/h0.
  const double x[3] = {0, 128, 255}, y[3] = {0, 192, 255};
  const double h0 = x[1] - x[0], h1 = x[2] - x[1];
  const double m = ((y[2] - y[1]) / h1 - (y[1] - y[0]) / h0) / (2 * (h0 + h1));
  auto expected = [&](int xi) {
    double v;
    if (xi <= 128) {
      double t = xi;  // M(k) = 0, M(k+1) = m
      v = y[0] + t * ((y[1] - y[0]) / h0 - h0 * m + t * (t * m / h0));
    } else {
      double t = xi - 128;  // M(k) = m, M(k+1) = 0
      v = y[1] + t * ((y[2] - y[1]) / h1 - h1 * 2 * m + t * (3 * m - t * m / h1));
    }
    return std::clamp(static_cast<int>(std::trunc(v + 0.5)), 0, 255);
  };
  ToneTable t = tableOf({{192, 128}, {0, 0}, {255, 255}});
  for (int i = 0; i < 256; ++i) ASSERT_EQ(t[i], expected(i)) << i;
  EXPECT_EQ(t[64], 108);
  EXPECT_EQ(t[128], 192);
  EXPECT_EQ(t[192], 236);

  // Outside the points the end outputs hold; an overshooting curve clamps.
  ToneTable s = tableOf({{10, 20}, {250, 60}, {240, 100}, {20, 200}});
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(s[i], 10);
  for (int i = 200; i < 256; ++i) EXPECT_EQ(s[i], 20);
  EXPECT_EQ(s[60], 250);
}

TEST(ToneTables, GammaAndInkOrientation) {
  ToneTable t{};
  buildGammaTable(100, kOrientationRgb, t);
  EXPECT_EQ(t, identityTable());
  buildGammaTable(220, kOrientationRgb, t);
  EXPECT_EQ(t[128], static_cast<int>(255 * std::pow(128 / 255.0, 2.2) + 0.5));
  ToneTable ink{};
  buildGammaTable(220, kOrientationInk, ink);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(ink[i], 255 - t[255 - i]);
  EXPECT_EQ(gammaFromValue(2.2), 220);
  EXPECT_EQ(gammaFromValue(0.45), 45);
}

TEST(ToneCurveRecordCodec, FieldsSitAtTheirOffsets) {
  ToneCurveRecord r = defaultToneCurve();
  r.mode[4] = kModeGamma;
  r.gamma[1] = 0x1234;
  r.pointCount[2] = 3;
  r.points[2][2] = {0xAABB, 0xCCDD};
  r.table[4][255] = 7;
  r.orientation = kOrientationInk;
  uint8_t bytes[kToneCurveRecordSize];
  encodeToneCurve(r, bytes);
  EXPECT_EQ(bytes[8], 3);                         // mode of channel 4
  EXPECT_EQ(bytes[12], 0x34);                     // gamma of channel 1
  EXPECT_EQ(bytes[24], 3);                        // point count of channel 2
  EXPECT_EQ(bytes[30 + 2 * 80 + 2 * 4], 0xBB);    // output of point 2, channel 2
  EXPECT_EQ(bytes[30 + 2 * 80 + 2 * 4 + 2], 0xDD);
  EXPECT_EQ(bytes[430 + 4 * 256 + 255], 7);
  EXPECT_EQ(bytes[1710], 2);
  EXPECT_EQ(decodeToneCurve(bytes), r);
}

// A format-2 file: header then records, big-endian.
struct FileBuilder {
  std::vector<uint8_t> b;
  FileBuilder& u16(uint16_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
    return *this;
  }
};

TEST(ToneCurveFiles, SaveAndLoadBothModeCodeForms) {
  ToneCurveRecord r = defaultToneCurve();
  r.mode[1] = kModeTable;
  r.pointCount[1] = 0;
  for (int i = 0; i < 256; ++i) r.table[1][i] = uint8_t(255 - i);
  r.mode[2] = kModeGamma;
  r.gamma[2] = 180;
  r.pointCount[2] = 0;
  rebuildChannel(r, 2);
  r.pointCount[3] = 3;
  r.points[3][2] = {128, 100};
  rebuildChannel(r, 3);
  for (bool shift : {false, true}) {
    SCOPED_TRACE(shift);
    std::vector<uint8_t> file = encodeToneCurveFile(r, shift);
    EXPECT_EQ(file[7], shift ? 1 : 0);  // mode code of the master
    ToneCurveRecord loaded = defaultToneCurve();
    ASSERT_TRUE(parseToneCurveFile(file, loaded));
    EXPECT_EQ(loaded, r);

    // One byte more or less: neither reading of the mode codes fits.
    for (int delta : {-1, 1}) {
      std::vector<uint8_t> off = file;
      if (delta < 0) off.pop_back(); else off.push_back(0);
      ToneCurveRecord untouched = defaultToneCurve();
      EXPECT_FALSE(parseToneCurveFile(off, untouched));
      EXPECT_EQ(untouched, defaultToneCurve());
    }
  }
}

TEST(ToneCurveFiles, RejectsPointCountsBeyondTheRecord) {
  FileBuilder f;
  f.u16(2).u16(1).u16(5).u16(0).u16(21);
  for (int p = 0; p < 21; ++p) f.u16(p * 10).u16(p * 10);
  for (int c = 1; c < 5; ++c) f.u16(2).u16(0).u16(100);
  ToneCurveRecord r = defaultToneCurve();
  EXPECT_FALSE(parseToneCurveFile(f.b, r));
}

TEST(ToneCurveFiles, FormatOneAndGammaInInkOrientation) {
  FileBuilder f;
  f.u16(1).u16(2).u16(5);
  f.u16(2).u16(0).u16(255).u16(255).u16(0);  // master: inverting points
  for (int c = 1; c < 5; ++c) {
    f.u16(0);
    for (int i = 0; i < 128; ++i) f.u16(uint16_t((i * 2) << 8 | (i * 2 + 1)));  // identity table
  }
  ToneCurveRecord r = defaultToneCurve();
  ASSERT_TRUE(parseToneCurveFile(f.b, r));
  EXPECT_EQ(r.orientation, kOrientationInk);
  EXPECT_EQ(r.mode[0], kModePoints);
  EXPECT_EQ(r.table[0][0], 255);
  EXPECT_EQ(r.mode[3], kModeTable);
  EXPECT_EQ(r.table[3], identityTable());

  FileBuilder g;
  g.u16(2).u16(2).u16(5);
  for (int c = 0; c < 5; ++c) g.u16(2).u16(7).u16(220);
  ASSERT_TRUE(parseToneCurveFile(g.b, r));
  ToneTable ink{};
  buildGammaTable(220, kOrientationInk, ink);
  EXPECT_EQ(r.table[2], ink);
  EXPECT_EQ(r.pointCount[2], 0);
}

TEST(AmpFiles, SizesAndMasterFolding) {
  std::vector<uint8_t> amp(1280);
  for (int i = 0; i < 256; ++i) {
    amp[i] = uint8_t(255 - i);         // master inverts
    amp[256 + i] = uint8_t(i / 2);     // channel 1 halves
    amp[512 + i] = uint8_t(i);
    amp[768 + i] = uint8_t(255);
  }
  ToneCurveRecord r = defaultToneCurve();
  ASSERT_TRUE(parseAmpFile(amp, r));
  EXPECT_EQ(r.table[0], identityTable());
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(r.table[1][i], 255 - i / 2);
    ASSERT_EQ(r.table[2][i], 255 - i);
    ASSERT_EQ(r.table[3][i], 0);
  }
  for (int c = 0; c < kChannels; ++c) EXPECT_EQ(r.mode[c], kModeTable);

  std::vector<uint8_t> three(amp.begin() + 256, amp.begin() + 1024);
  ASSERT_TRUE(parseAmpFile(three, r));
  EXPECT_EQ(r.table[1][10], 5);
  EXPECT_EQ(r.table[0], identityTable());

  three.pop_back();
  EXPECT_FALSE(parseAmpFile(three, r));
  EXPECT_EQ(r, defaultToneCurve());
  EXPECT_TRUE(isAmpFileName("C:\\curves\\warm.amp"));
  EXPECT_FALSE(isAmpFileName("C:\\amp\\warm.tcv"));
}

TEST(MtfFiles, LenientNumbersAndShortFiles) {
  mtf::MtfKernel k;
  ASSERT_TRUE(parseMtfText("x 1\n-2 ,+3;4\n" + std::string(21, '0') + "\n" + std::string(22, ' ') +
                               "7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 100 99",
                           k));
  EXPECT_EQ(k.coefficients[0], 1);
  EXPECT_EQ(k.coefficients[1], -2);
  EXPECT_EQ(k.coefficients[2], 3);
  EXPECT_EQ(k.coefficients[3], 4);
  EXPECT_EQ(k.coefficients[4], 0);
  EXPECT_EQ(k.coefficients[5], 7);
  EXPECT_EQ(k.coefficients[24], 100);
  EXPECT_EQ(k.scale, 99);

  mtf::MtfKernel saved = mtf::identityKernel();
  saved.coefficients[0] = -9999;
  saved.scale = 77;
  mtf::MtfKernel back;
  ASSERT_TRUE(parseMtfText(formatMtfText(saved), back));
  EXPECT_EQ(back, saved);

  // A run of digits and signs: one leading sign, digits to the first sign;
  // a number too large saturates.
  std::string odd = "-5-3 99999999999999";
  for (int i = 0; i < 24; ++i) odd += " 1";
  ASSERT_TRUE(parseMtfText(odd, back));
  EXPECT_EQ(back.coefficients[0], -5);
  EXPECT_EQ(back.coefficients[1], INT32_MAX);

  mtf::MtfKernel untouched = mtf::identityKernel();
  EXPECT_FALSE(parseMtfText("1 2 3", untouched));
  EXPECT_EQ(untouched, mtf::identityKernel());
}

using q7310::testing::RootTest;

TEST_F(RootTest, FileErrorsCarryTheDialogTexts) {
  ToneCurveRecord r = defaultToneCurve();
  EXPECT_EQ(readToneCurveFile("C:\\none\\x.tcv", r), FileError::CannotOpen);
  EXPECT_STREQ(fileErrorText(FileError::CannotOpen), "Can not open file.");
  EXPECT_STREQ(fileErrorText(FileError::Unsupported), "Unsupported file format.");
  os::createFolder("C:\\curves");
  ASSERT_EQ(writeToneCurveFile("C:\\curves\\a.tcv", r, false), FileError::None);
  ToneCurveRecord back = defaultToneCurve();
  back.orientation = 2;
  ASSERT_EQ(readToneCurveFile("C:\\curves\\a.tcv", back), FileError::None);
  EXPECT_EQ(back, r);
  ASSERT_EQ(writeMtfFile("C:\\curves\\k.mtf", mtf::identityKernel()), FileError::None);
  EXPECT_EQ(os::readTextFile("C:\\curves\\k.mtf")->substr(0, 6), "0\n0\n0\n");
  os::writeFileAtomic("C:\\curves\\bad.amp", std::string(100, 'x'));
  r.orientation = 2;
  EXPECT_EQ(readAmpFile("C:\\curves\\bad.amp", r), FileError::Unsupported);
  EXPECT_EQ(r, defaultToneCurve());
}

}  // namespace
}  // namespace q7310::flt::tone
