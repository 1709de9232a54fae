#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "Q5150FLT/cmm/color_world.h"
#include "Q5150FLT/cmm/match.h"
#include "Q5150FLT/cmm/profile_grid.h"
#include <random>
#include "Q5150FLT/sdkcm.h"
#include "fixtures.h"
#include "testing/temp_root.h"

namespace q7310::flt {
namespace {

using q7310::testing::RootTest;
using namespace q7310::flt::testing;

// A world built from two stored profiles, disposed at the end of the scope.
struct World {
  SDKCMColorWorld cw = nullptr;
  World(const w::Bytes& in, const w::Bytes& out, uint32_t intent = 0, const uint8_t* inTone = nullptr,
        const uint8_t* outTone = nullptr) {
    SDKCMProfile a, b;
    if (SDKCMOpenProfile(store("in.icc", in).c_str(), &a) != 0) return;
    if (SDKCMOpenProfile(store("out.icc", out).c_str(), &b) == 0) {
      cw = SDKCMCreateColorWorld(intent, &a, inTone, &b, outTone);
      SDKCMCloseProfile(&b);
    }
    SDKCMCloseProfile(&a);
  }
  ~World() {
    if (cw) SDKCMDisposeColorWorld(cw);
  }
  const cmm::ColorWorld& get() const { return *static_cast<const cmm::ColorWorld*>(cw); }
  std::vector<uint8_t> match(std::vector<uint8_t> px, uint32_t inComps, uint32_t outComps) const {
    uint32_t n = uint32_t(px.size() / inComps);
    std::vector<uint8_t> out(n * outComps, 0);
    SDKCMPixelMap s{n, 1, inComps, n * inComps, px.data()};
    SDKCMPixelMap d{n, 1, outComps, n * outComps, out.data()};
    EXPECT_EQ(SDKCMMatchPixelMap(cw, &s, &d), 0);
    return out;
  }
};

// An RGB LUT profile whose tables are the identity on both sides: its
// world maps every pixel to itself through the grid, so node and weight
// rules show directly.
w::Bytes identityRgbLutProfile() {
  auto id = [](const double* in, uint32_t o) { return in[o]; };
  return lutProfile(w::sig("RGB "), w::sig("Lab "), w::lut16Tag(gridLut(3, 3, 33, id)),
                    w::lut16Tag(gridLut(3, 3, 33, id)));
}

TEST(Weights, CellsAndWeightsOfBothGrids) {
  EXPECT_EQ(cmm::cellWeight(33, 255), 256u);
  EXPECT_EQ(cmm::cellWeight(33, 248), 0u);
  EXPECT_EQ(cmm::cellWeight(33, 13), 5u * 32);
  EXPECT_EQ(cmm::cellWeight(33, 251), 3u * 256 / 7);
  EXPECT_EQ(cmm::cellWeight(17, 255), 256u);
  EXPECT_EQ(cmm::cellWeight(17, 240), 0u);
  EXPECT_EQ(cmm::cellWeight(17, 17), 16u);
  EXPECT_EQ(cmm::highPrecisionWeight(65535), 256u);
  EXPECT_EQ(cmm::highPrecisionWeight(2056 * 3), 0u);
  EXPECT_EQ(cmm::highPrecisionWeight(2056 + 1028), 128u);
}

TEST(ProfileGrid, FractionsAndTheRoundingOfEachBlendStep) {
  icc::LutTag lut;
  lut.inputChannels = 3;
  lut.outputChannels = 2;
  lut.gridPoints = 2;
  // Output 0 is 255 only at corner (1, 1, 1); output 1 is its mirror.
  lut.clut.assign(16, 0);
  lut.clut[14] = 255;
  for (int k = 0; k < 7; ++k) lut.clut[2 * k + 1] = 255;
  const cmm::GridAxis axis(2);
  EXPECT_EQ(axis.index[255], 0u);
  EXPECT_EQ(axis.fraction[255], 65536);
  EXPECT_EQ(axis.fraction[128], 32897);  // trunc(128 / 255 × 65536 + 0.5)
  uint8_t in[3] = {128, 255, 255}, out[2];
  cmm::interpolateProfileGrid(lut, axis, in, out);
  // Rising: 65280 × 32897 / 65536 rounds to 32769, byte 128; falling: 65280 - 32769, byte 127.
  EXPECT_EQ(out[0], 128);
  EXPECT_EQ(out[1], 127);
  EXPECT_EQ(cmm::lerp16(0, 65280, 65536), 65280);
  const cmm::GridAxis seventeen(17);
  EXPECT_EQ(seventeen.index[255], 15u);
  EXPECT_EQ(seventeen.index[16], 1u);
  EXPECT_EQ(seventeen.fraction[16], 257);  // pos = 16 / 15.9375 = 1.0039...
}

TEST_F(RootTest, LastCellAndNodeValuesComeBackExactly) {
  World wld(identityRgbLutProfile(), identityRgbLutProfile());
  ASSERT_NE(wld.cw, nullptr);
  const auto& h = wld.get().header;
  EXPECT_EQ(h.headerSize, 3100u);
  EXPECT_EQ(h.gridSize, 540672u);
  EXPECT_EQ(h.gridPoints, 33u);
  EXPECT_EQ(h.pixelRoutine, cmm::Routine::ThreeToThree);
  // The last node holds 255; input 255 lands on it with weight 256.
  const uint8_t* grid = wld.get().grid();
  EXPECT_EQ(grid[(32 << 14) | (32 << 8) | (32 << 2)], 255);
  auto out = wld.match({255, 255, 255, 248, 8, 0, 0, 0, 0, 255, 248, 255}, 3, 3);
  EXPECT_EQ(out, (std::vector<uint8_t>{255, 255, 255, 248, 8, 0, 0, 0, 0, 255, 248, 255}));
  // Every value maps close to itself through the identity grid.
  std::vector<uint8_t> ramp;
  for (int v = 0; v < 256; ++v) ramp.insert(ramp.end(), {uint8_t(v), uint8_t(255 - v), uint8_t(v / 2)});
  auto back = wld.match(ramp, 3, 3);
  for (size_t i = 0; i < ramp.size(); ++i) EXPECT_NEAR(back[i], ramp[i], 1) << i;
}

TEST_F(RootTest, ComponentMismatchFailsAndLeavesTheDestinationAlone) {
  World wld(identityRgbLutProfile(), identityRgbLutProfile());
  ASSERT_NE(wld.cw, nullptr);
  EXPECT_EQ(SDKCMGetNumsOfInPixComp(wld.cw), 3u);
  EXPECT_EQ(SDKCMGetNumsOfOutPixComp(wld.cw), 3u);
  std::vector<uint8_t> src(16, 100), dst(16, 7);
  SDKCMPixelMap s4{4, 1, 4, 16, src.data()};
  SDKCMPixelMap d3{4, 1, 3, 12, dst.data()};
  SDKCMPixelMap s3{4, 1, 3, 12, src.data()};
  SDKCMPixelMap d4{4, 1, 4, 16, dst.data()};
  SDKCMPixelMap shortRows{4, 1, 3, 11, dst.data()};
  EXPECT_EQ(SDKCMMatchPixelMap(wld.cw, &s4, &d3), -1);
  EXPECT_EQ(SDKCMMatchPixelMap(wld.cw, &s3, &d4), -1);
  EXPECT_EQ(SDKCMMatchPixelMap(wld.cw, &s3, &shortRows), -1);
  EXPECT_EQ(SDKCMMatchPixelMap(wld.cw, &s3, nullptr), -1);
  EXPECT_EQ(dst, std::vector<uint8_t>(16, 7));
}

TEST_F(RootTest, PaddedRowsPlanarMapsAndTheCacheAgreeWithOneRun) {
  World wld(shipped("sRGB_IEC61966-2-1_black_scaled.ICC"), shipped("DPX-Q7310-0.ICC"));
  ASSERT_NE(wld.cw, nullptr);
  // 5 × 3 pixels with repeats (the cache) and changes.
  std::vector<uint8_t> px;
  for (int i = 0; i < 15; ++i) {
    uint8_t v = uint8_t(i / 2 * 37);
    px.insert(px.end(), {v, uint8_t(255 - v), uint8_t(v ^ 0x5A)});
  }
  auto reference = wld.match(px, 3, 3);

  // Rows padded by 3 bytes in the source and 1 in the destination.
  std::vector<uint8_t> src(3 * 18, 0xEE), dst(3 * 16, 0xEE);
  for (int y = 0; y < 3; ++y) std::memcpy(&src[y * 18], &px[y * 15], 15);
  SDKCMPixelMap s{5, 3, 3, 18, src.data()}, d{5, 3, 3, 16, dst.data()};
  ASSERT_EQ(SDKCMMatchPixelMap(wld.cw, &s, &d), 0);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(std::vector<uint8_t>(&dst[y * 16], &dst[y * 16 + 15]),
              std::vector<uint8_t>(&reference[y * 15], &reference[y * 15 + 15]));
    EXPECT_EQ(dst[y * 16 + 15], 0xEE);  // padding untouched
  }

  std::vector<uint8_t> planes[3], outPlanes[3];
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < 15; ++i) planes[c].push_back(px[i * 3 + c]);
    outPlanes[c].assign(15, 0);
  }
  SDKCMPlaneMap ps{5, 3, 3, 5, {planes[0].data(), planes[1].data(), planes[2].data(), nullptr}};
  SDKCMPlaneMap pd{5, 3, 3, 5, {outPlanes[0].data(), outPlanes[1].data(), outPlanes[2].data(), nullptr}};
  ASSERT_EQ(SDKCMMatchPlaneMap(wld.cw, &ps, &pd), 0);
  for (int i = 0; i < 15; ++i) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(outPlanes[c][i], reference[i * 3 + c]);
  }
  // In place gives the same as a separate destination.
  SDKCMPixelMap inPlace{15, 1, 3, 45, px.data()};
  ASSERT_EQ(SDKCMMatchPixelMap(wld.cw, &inPlace, &inPlace), 0);
  EXPECT_EQ(px, reference);
}

TEST_F(RootTest, NeutralGreysStayNeutralBetweenMatchingMatrixProfiles) {
  struct Case {
    double gamma;
    int from;  // darkest grey checked
    int tolerance;
  } cases[] = {
      {1.0, 0, 2},
      // The grid holds linear light in bytes, so the deepest shadows of a
      // gamma curve fall into its first cell; above them greys hold.
      {2.2, 40, 3},
  };
  for (const auto& c : cases) {
    for (uint32_t intent : {0u, 1u, 3u}) {
      SCOPED_TRACE(::testing::Message() << "gamma " << c.gamma << " intent " << intent);
      World wld(matrixProfile(kSrgbD50, c.gamma), matrixProfile(kSrgbD50, c.gamma), intent);
      ASSERT_NE(wld.cw, nullptr);
      EXPECT_EQ(wld.get().header.pixelRoutine, cmm::Routine::HighPrecisionThreeToThree);
      std::vector<uint8_t> greys;
      for (int v = c.from; v < 256; ++v) greys.insert(greys.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
      auto out = wld.match(greys, 3, 3);
      for (size_t i = 0; i < greys.size(); ++i) {
        ASSERT_NEAR(out[i], greys[i], c.tolerance) << "grey " << int(greys[i]);
      }
    }
  }
}

// The fixed-point steps written out one by one, independent of the
// routines' own arrangement of them.
uint32_t stepWeight16(uint32_t t) {
  if (t % 2056 == 0) return 0;
  uint32_t w = t < 63736 ? ((t % 2056) * 65536 / 2056) >> 8 : ((t - 63736) * 65536 / 1799) >> 8;
  return std::min<uint32_t>(w, 256);
}

std::vector<uint8_t> stepByStep(const cmm::ColorWorld& w, const uint8_t* px) {
  const auto& h = w.header;
  const uint8_t* grid = w.grid();
  std::vector<uint8_t> out(h.outputChannels);
  if (h.inputChannels == 3) {
    const bool precise = h.pixelRoutine == cmm::Routine::HighPrecisionThreeToThree;
    uint32_t idx[3], wt[3];
    for (int c = 0; c < 3; ++c) {
      if (precise) {
        uint32_t t = w.highPrecision()->curve16[c][px[c]];
        idx[c] = (t / 257) >> 3;
        wt[c] = stepWeight16(t);
      } else {
        uint8_t x = h.inputCurves[c][px[c]];
        idx[c] = x >> 3;
        wt[c] = h.weights[x];
      }
    }
    const int64_t wr = wt[0], wg = wt[1], wb = wt[2];
    for (uint32_t o = 0; o < h.outputChannels; ++o) {
      auto n = [&](int dr, int dg, int db) {
        return int64_t{grid[((idx[0] + dr) << 14) | ((idx[1] + dg) << 8) | ((idx[2] + db) << 2) | o]};
      };
      int64_t p[2][2];
      for (int dr = 0; dr < 2; ++dr) {
        for (int dg = 0; dg < 2; ++dg) p[dr][dg] = (n(dr, dg, 0) << 8) + (n(dr, dg, 1) - n(dr, dg, 0)) * wb;
      }
      uint8_t byte;
      if (precise) {
        int64_t q0 = (p[0][0] << 8) + (p[0][1] - p[0][0]) * wg, q1 = (p[1][0] << 8) + (p[1][1] - p[1][0]) * wg;
        int64_t sv = (q0 << 8) + (q1 - q0) * wr;
        byte = uint8_t((sv + 0x800000) >> 24);
      } else {
        int64_t q0 = p[0][0] + (((p[0][1] - p[0][0]) * wg + 128) >> 8);
        int64_t q1 = p[1][0] + (((p[1][1] - p[1][0]) * wg + 128) >> 8);
        int64_t sv = q0 + (((q1 - q0) * wr + 128) >> 8);
        byte = uint8_t((sv + 128) >> 8);
      }
      uint8_t v = h.outputCurves[o][byte];
      out[o] = h.outputChannels == 4 ? uint8_t(255 - v) : v;
    }
    return out;
  }
  uint32_t idx[4], wt[4];
  for (int c = 0; c < 4; ++c) {
    uint8_t x = h.inputCurves[c][255 - px[c]];
    idx[c] = x >> 4;
    wt[c] = h.weights[x];
  }
  for (uint32_t o = 0; o < h.outputChannels; ++o) {
    auto n = [&](int k) {
      uint32_t a = idx[0] + ((k >> 3) & 1), b = idx[1] + ((k >> 2) & 1), c = idx[2] + ((k >> 1) & 1), d = idx[3] + (k & 1);
      return int64_t{grid[(((a * 17 + b) * 17 + c) * 17 + d) * 4 + o]};
    };
    int64_t v[8];
    for (int k = 0; k < 8; ++k) v[k] = (n(2 * k) << 8) + (n(2 * k + 1) - n(2 * k)) * int64_t{wt[3]};
    for (int axis = 2, count = 8; axis >= 0; --axis, count /= 2) {
      for (int k = 0; k < count / 2; ++k) v[k] = v[2 * k] + (((v[2 * k + 1] - v[2 * k]) * int64_t{wt[axis]} + 128) >> 8);
    }
    uint8_t r = h.outputCurves[o][uint8_t((v[0] + 128) >> 8)];
    out[o] = h.outputChannels == 4 ? uint8_t(255 - r) : r;
  }
  return out;
}

TEST_F(RootTest, EveryRoutineFollowsTheFixedPointStepsExactly) {
  auto toCmyk = gridLut(3, 4, 9, [](const double* in, uint32_t o) { return o < 3 ? 1.0 - in[o] * in[o] : 0.2; });
  auto fromCmyk = gridLut(4, 3, 5, [](const double* in, uint32_t o) { return (1.0 - in[o]) * (1.0 - 0.5 * in[3]); });
  const w::Bytes cmyk = lutProfile(w::sig("CMYK"), w::sig("Lab "), w::lut16Tag(fromCmyk), w::lut16Tag(toCmyk));
  const w::Bytes srgb = shipped("sRGB_IEC61966-2-1_black_scaled.ICC");
  const w::Bytes printer = shipped("DPX-Q7310-0.ICC");
  struct Case {
    const char* name;
    const w::Bytes& in;
    const w::Bytes& out;
  } cases[] = {{"precise 3-3", srgb, printer}, {"3-3", printer, srgb}, {"3-4", srgb, cmyk},
               {"4-3", cmyk, printer},         {"4-4", cmyk, cmyk}};
  std::mt19937 rng(7);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    World wld(c.in, c.out);
    ASSERT_NE(wld.cw, nullptr);
    const uint32_t ins = wld.get().header.inputChannels, outs = wld.get().header.outputChannels;
    std::vector<uint8_t> px;
    for (int v = 0; v < 256; ++v) {
      for (uint32_t k = 0; k < ins; ++k) px.push_back(uint8_t(k == 1 ? 255 - v : v));
    }
    for (int i = 0; i < 20000; ++i) px.push_back(uint8_t(rng()));
    px.resize(px.size() / ins * ins);
    for (int vector : {0, -1}) {
      cmm::useVectorRoutinesForTesting(vector);
      // Through the routines linked into this test, where the switch acts.
      std::vector<uint8_t> got(px.size() / ins * outs);
      cmm::MapView src, dst;
      src.width = dst.width = uint32_t(px.size() / ins);
      src.height = dst.height = 1;
      src.components = ins;
      dst.components = outs;
      src.rowBytes = src.width * ins;
      dst.rowBytes = dst.width * outs;
      src.planes[0] = px.data();
      dst.planes[0] = got.data();
      ASSERT_EQ(cmm::match(wld.get(), src, dst), 0);
      size_t mismatches = 0;
      for (size_t i = 0; i < px.size() / ins; ++i) {
        auto want = stepByStep(wld.get(), &px[i * ins]);
        if (!std::equal(want.begin(), want.end(), got.begin() + i * outs)) ++mismatches;
      }
      EXPECT_EQ(mismatches, 0u) << "vector " << vector;
    }
    cmm::useVectorRoutinesForTesting(-1);
  }
}

TEST_F(RootTest, TheShippedProfilesOpenAndCombine) {
  const char* names[] = {"sRGB_IEC61966-2-1_black_scaled.ICC", "DPX-Q7310-0.ICC", "A17D50.ICC", "Q51502.ICC"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    SDKCMProfile h;
    ASSERT_EQ(SDKCMOpenProfile(store(name, shipped(name)).c_str(), &h), 0);
    uint8_t header[128];
    EXPECT_EQ(SDKCMGetProfileHeader(&h, header), 0);
    SDKCMCloseProfile(&h);
  }
  for (uint32_t intent = 0; intent < 4; ++intent) {
    World wld(shipped(names[0]), shipped(names[1]), intent);
    EXPECT_NE(wld.cw, nullptr) << intent;
  }
  World defaults(shipped(names[2]), shipped(names[3]));
  ASSERT_NE(defaults.cw, nullptr);
  // White paper stays white, black stays the darkest the printer makes.
  auto out = defaults.match({255, 255, 255, 0, 0, 0}, 3, 3);
  EXPECT_GE(out[0], 250);
  EXPECT_LE(out[3], 20);
}

TEST_F(RootTest, APageMatchedToThePrinterAndBackIsCloseToItself) {
  const w::Bytes srgb = shipped("sRGB_IEC61966-2-1_black_scaled.ICC");
  const w::Bytes printer = shipped("DPX-Q7310-0.ICC");
  World there(srgb, printer, 1);
  World back(printer, srgb, 1);
  ASSERT_NE(there.cw, nullptr);
  ASSERT_NE(back.cw, nullptr);
  EXPECT_EQ(back.get().header.pixelRoutine, cmm::Routine::ThreeToThree);
  // Muted, in-gamut colors of a photo: skin, sky, foliage, greys.
  std::vector<uint8_t> page = {200, 160, 140, 120, 150, 190, 90, 120, 70, 128, 128, 128, 60, 60, 60, 220, 210, 200};
  auto printed = there.match(page, 3, 3);
  auto returned = back.match(printed, 3, 3);
  for (size_t i = 0; i < page.size(); ++i) EXPECT_NEAR(returned[i], page[i], 12) << i;
}

TEST_F(RootTest, FourComponentWorldsKeepDataInvertedInside) {
  // A CMYK printer profile with an XYZ PCS: ink = 1 - value on the first
  // three channels, no black.
  auto toCmyk = gridLut(3, 4, 9, [](const double* in, uint32_t o) { return o < 3 ? 1.0 - in[o] : 0.0; });
  auto fromCmyk = gridLut(4, 3, 5, [](const double* in, uint32_t o) { return 1.0 - in[o]; });
  w::Bytes cmyk = lutProfile(w::sig("CMYK"), w::sig("XYZ "), w::lut16Tag(fromCmyk), w::lut16Tag(toCmyk));
  World to(identityRgbLutProfile(), cmyk);
  ASSERT_NE(to.cw, nullptr);
  EXPECT_EQ(to.get().header.pixelRoutine, cmm::Routine::ThreeToFour);
  EXPECT_EQ(SDKCMConvertColorWorldToIPB(to.cw, nullptr), 0u);
  auto ink = to.match({255, 255, 255, 0, 0, 0, 255, 0, 128}, 3, 4);
  EXPECT_EQ(std::vector<uint8_t>(ink.begin(), ink.begin() + 8), (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
  EXPECT_NEAR(ink[8], 0, 1);
  EXPECT_NEAR(ink[9], 255, 1);
  EXPECT_NEAR(ink[10], 127, 2);

  World from(cmyk, identityRgbLutProfile());
  ASSERT_NE(from.cw, nullptr);
  EXPECT_EQ(from.get().header.gridPoints, 17u);
  EXPECT_EQ(from.get().header.gridSize, 334084u);
  EXPECT_EQ(SDKCMConvertColorWorldToIPB(from.cw, nullptr), 0u);
  auto rgb = from.match({0, 0, 0, 0, 255, 255, 255, 0, 0, 255, 128, 0}, 4, 3);
  EXPECT_EQ(std::vector<uint8_t>(rgb.begin(), rgb.begin() + 6), (std::vector<uint8_t>{255, 255, 255, 0, 0, 0}));
  EXPECT_NEAR(rgb[6], 255, 1);
  EXPECT_NEAR(rgb[7], 0, 1);
  EXPECT_NEAR(rgb[8], 127, 2);
  World both(cmyk, cmyk);
  ASSERT_NE(both.cw, nullptr);
  EXPECT_EQ(both.get().header.pixelRoutine, cmm::Routine::FourToFour);
  EXPECT_EQ(both.match({0, 0, 0, 0, 255, 255, 255, 0}, 4, 4), (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
}

TEST_F(RootTest, ToneTablesFoldIntoTheCurves) {
  // Output tone: channel 1 inverted, others identity; master identity.
  std::vector<uint8_t> tone(1280);
  for (int t = 0; t < 5; ++t) {
    for (int i = 0; i < 256; ++i) tone[t * 256 + i] = t == 1 ? uint8_t(255 - i) : uint8_t(i);
  }
  World plain(identityRgbLutProfile(), identityRgbLutProfile());
  World toned(identityRgbLutProfile(), identityRgbLutProfile(), 0, nullptr, tone.data());
  World tonedIn(matrixProfile(kSrgbD50, 1.0), matrixProfile(kSrgbD50, 1.0), 0, tone.data(), nullptr);
  ASSERT_TRUE(plain.cw && toned.cw && tonedIn.cw);
  auto a = plain.match({10, 20, 30}, 3, 3);
  auto b = toned.match({10, 20, 30}, 3, 3);
  EXPECT_EQ(b[0], 255 - a[0]);
  EXPECT_EQ(b[1], a[1]);
  auto c = tonedIn.match({10, 20, 30}, 3, 3);
  EXPECT_NEAR(c[0], 245, 2);
  EXPECT_NEAR(c[1], 20, 2);
}

TEST_F(RootTest, IpbExportAndGammaTables) {
  World wld(identityRgbLutProfile(), identityRgbLutProfile());
  ASSERT_NE(wld.cw, nullptr);
  ASSERT_EQ(SDKCMConvertColorWorldToIPB(wld.cw, nullptr), 29484u);
  std::vector<uint8_t> ipb(29484);
  ASSERT_EQ(SDKCMConvertColorWorldToIPB(wld.cw, ipb.data()), 29484u);
  EXPECT_EQ(std::vector<uint8_t>(ipb.begin(), ipb.begin() + 6), (std::vector<uint8_t>{0x1B, 'Z', '3', 3, 4, 4}));
  auto at = [&](int plane, int i, int j, int k) {
    size_t off = 6 + plane * 9826 + 2 * ((k * 17 + j) * 17 + i);
    return uint16_t(ipb[off] << 8 | ipb[off + 1]);
  };
  const uint8_t* grid = wld.get().grid();
  EXPECT_EQ(at(0, 1, 0, 0), grid[2 << 14] * 16);  // first channel's index varies fastest
  EXPECT_EQ(at(0, 16, 16, 16), 255 * 16);
  EXPECT_EQ(at(2, 0, 0, 3), grid[(6 << 2) + 2] * 16);
  EXPECT_EQ(at(1, 0, 5, 0), grid[(10 << 8) + 1] * 16);

  uint8_t lut[1280];
  ASSERT_EQ(SDKCMCreatLUT(100, 220, 0, 45, -100, lut), 0);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(lut[i], i);
  EXPECT_EQ(lut[256 + 128], 56);
  EXPECT_EQ(lut[512 + 0], 255);  // gamma 0: every entry 1.0
  EXPECT_EQ(lut[768 + 255], 255);
  EXPECT_EQ(lut[1024 + 1], 255);  // negative gamma saturates
}

}  // namespace
}  // namespace q7310::flt
