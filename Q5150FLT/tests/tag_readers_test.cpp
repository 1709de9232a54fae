#include "Q5150FLT/icc/tag_readers.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tools/icc/icc_writer.h"

namespace q7310::flt::icc {
namespace {

namespace w = q7310::tools::icc;

ByteTable identity() {
  ByteTable t;
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(i);
  return t;
}

TEST(CurveTables, IdentityFormsAndGamma) {
  const uint16_t gammaOne[] = {256};
  const uint16_t line[] = {0, 65535};
  EXPECT_EQ(curveTable8({}), identity());
  EXPECT_EQ(curveTable8(gammaOne), identity());
  EXPECT_EQ(curveTable8(line), identity());
  const uint16_t gamma22[] = {563};  // 2.199
  ByteTable g = curveTable8(gammaOne);
  g = curveTable8(gamma22);
  EXPECT_EQ(g[128], uint8_t(std::trunc(255.0 * std::pow(128 / 255.0, 563 / 256.0) + 0.5)));
  EXPECT_EQ(g[0], 0);
  EXPECT_EQ(g[255], 255);
  // Sampled curves: a three-point curve bending up.
  const uint16_t knee[] = {0, 16384, 65535};
  ByteTable k = curveTable8(knee);
  EXPECT_EQ(k[0], 0);
  EXPECT_EQ(k[255], 255);
  // i = 64: j = 0, y = 16384 * 255 / 65535 * 64 / 127.5 = 32.0; rounds to 32.
  EXPECT_EQ(k[64], 32);
  // 16-bit sampling for the precise path follows the same rule.
  EXPECT_EQ(curveSample16(knee, 65535), 65535);
  EXPECT_EQ(curveSample16(knee, 16384), 8192);
  EXPECT_EQ(curveSample16({}, 1234), 1234);
  EXPECT_EQ(curveSample16(gammaOne, 40000), 40000);
  EXPECT_EQ(curveSample16(line, 40000), 40000);
}

TEST(CurveTables, ResamplingLut16Tables) {
  const uint16_t line[] = {0, 65535};
  EXPECT_EQ(resampleTable(line), identity());
  std::vector<uint16_t> id4096 = w::identityTable(4096);
  EXPECT_EQ(resampleTable(id4096), identity());
  const uint16_t down[] = {65535, 0, 0};
  ByteTable d = resampleTable(down);
  EXPECT_EQ(d[0], 255);
  EXPECT_EQ(d[127], 1);  // (65535 - 65535 * 127 / 127.5) * 255 / 65535 = 0.5 -> 1
  EXPECT_EQ(d[255], 0);
}

TEST(CurveTables, InversionFillsGapsHalfFromBelowHalfFromAbove) {
  // A curve that doubles: reaches only even values up to 254, then 255.
  ByteTable doubling;
  for (int i = 0; i < 256; ++i) doubling[i] = uint8_t(std::min(2 * i, 255));
  ByteTable inv = invertCurve(doubling);
  EXPECT_EQ(inv[0], 0);
  EXPECT_EQ(inv[2], 1);
  EXPECT_EQ(inv[3], 2);     // gap of one: length / 2 = 0 positions from below, so from above
  EXPECT_EQ(inv[255], 255);  // the later input (255) wins over 128
  // A flat curve leaves a long gap: the lower half takes the value below.
  ByteTable step{};
  for (int i = 0; i < 256; ++i) step[i] = i < 128 ? 10 : 200;
  ByteTable s = invertCurve(step);
  EXPECT_EQ(s[0], 0);
  EXPECT_EQ(s[10], 127);
  EXPECT_EQ(s[200], 255);
  EXPECT_EQ(s[255], 255);
  // Gap 11..199 (189 values): 94 from below (127), the rest from above (255).
  EXPECT_EQ(s[11 + 93], 127);
  EXPECT_EQ(s[11 + 94], 255);
  // Gap 1..9: 4 from below (0), 5 from above (127).
  EXPECT_EQ(s[4], 0);
  EXPECT_EQ(s[5], 127);
}

TEST(LutTags, Lut16KeepsTheHighByteAndLut8IsUsedAsItIs) {
  w::Lut lut;
  lut.inputs = 3;
  lut.outputs = 3;
  lut.grid = 2;
  lut.inputTables.assign(3, w::identityTable(2));
  lut.outputTables.assign(3, w::identityTable(2));
  lut.clut.assign(24, 0);
  lut.clut[5] = 0x12FF;
  lut.clut[23] = 0xFFFF;
  auto r = readLutTag(w::lut16Tag(lut));
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->gridPoints, 2u);
  EXPECT_EQ(r->clut[5], 0x12);
  EXPECT_EQ(r->clut[23], 0xFF);
  EXPECT_EQ(r->inputTables[2], identity());
  auto r8 = readLutTag(w::lut8Tag(lut));
  ASSERT_TRUE(r8.has_value());
  EXPECT_EQ(r8->clut[5], 0x12);
  EXPECT_EQ(r8->outputTables[0], identity());
}

TEST(SimpleTags, XyzAndCurveCounts) {
  auto xyz = readXyzTag(w::xyzTag(0.9642, 1.0, -0.5));
  ASSERT_TRUE(xyz.has_value());
  EXPECT_NEAR((*xyz)[0], 0.9642, 1e-4);
  EXPECT_EQ((*xyz)[2], -0.5);
  const uint16_t e[] = {1, 2, 3};
  auto curve = readCurveTag(w::curveTag(e));
  ASSERT_TRUE(curve.has_value());
  EXPECT_EQ(*curve, (std::vector<uint16_t>{1, 2, 3}));
}

}  // namespace
}  // namespace q7310::flt::icc
