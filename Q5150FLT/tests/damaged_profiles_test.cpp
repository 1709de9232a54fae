// Profiles are untrusted files: damaged ones must give the documented
// failure, never a read outside the file's bytes, a huge allocation, a
// division by zero or an endless loop. The sanitizer build runs these too.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "Q5150FLT/cmm/color_world.h"
#include "Q5150FLT/sdkcm.h"
#include "fixtures.h"
#include "testing/temp_root.h"

namespace q7310::flt {
namespace {

using q7310::testing::RootTest;
using namespace q7310::flt::testing;

constexpr size_t kFirstEntry = 132;  // signature, offset, size of tag 0

w::Bytes lut16Printer(uint32_t grid = 3) {
  auto id = [](const double* in, uint32_t o) { return in[o]; };
  w::Profile p;
  p.deviceClass = w::sig("prtr");
  p.pcs = w::sig("Lab ");
  p.add(w::sig("A2B0"), w::lut16Tag(gridLut(3, 3, grid, id)));
  p.add(w::sig("B2A0"), w::lut16Tag(gridLut(3, 3, grid, id)));
  return w::write(p);
}

w::Bytes matrixOnly() { return matrixProfile(kSrgbD50, 2.2); }

size_t tagData(const w::Bytes& b, int index) { return w::getU32(b, kFirstEntry + 12 * index + 4); }

struct Damage {
  const char* name;
  std::function<w::Bytes()> make;
  uint32_t tag;           // a tag to ask for by element
  int32_t elementResult;  // of the size query for that tag
  bool sourceSide;        // build the world with the damaged profile as source
  bool worldBuilt = false;
};

TEST_F(RootTest, DamagedProfilesOpenButGiveNoTagsAndNoWorld) {
  const Damage cases[] = {
      {"tag offset past the end",
       [] { auto b = lut16Printer(); w::putU32(b, kFirstEntry + 4, uint32_t(b.size()) + 100); return b; },
       w::sig("A2B0"), -1, true},
      {"offset plus size wraps around",
       [] { auto b = lut16Printer(); w::putU32(b, kFirstEntry + 8, 0xFFFFFF00u); return b; }, w::sig("A2B0"), -1, true},
      {"tag count far beyond the file",
       // Cut to the entries the file holds, which are sound.
       [] { auto b = lut16Printer(); w::putU32(b, 128, 0x7FFFFFFFu); return b; }, w::sig("B2A0"), 0, false, true},
      {"lut with zero grid points",
       [] { auto b = lut16Printer(); b[tagData(b, 0) + 10] = 0; return b; }, w::sig("A2B0"), 0, true},
      {"lut with one grid point",
       [] { auto b = lut16Printer(); b[tagData(b, 1) + 10] = 1; return b; }, w::sig("B2A0"), 0, false},
      {"lut grid larger than its tag",
       [] { auto b = lut16Printer(); b[tagData(b, 0) + 10] = 255; return b; }, w::sig("A2B0"), 0, true},
      {"lut16 input table of one entry",
       [] { auto b = lut16Printer(); b[tagData(b, 0) + 48] = 0; b[tagData(b, 0) + 49] = 1; return b; },
       w::sig("A2B0"), 0, true},
      {"lut16 output table of zero entries",
       [] { auto b = lut16Printer(); b[tagData(b, 1) + 50] = 0; b[tagData(b, 1) + 51] = 0; return b; },
       w::sig("B2A0"), 0, false},
      {"lut with nine input channels",
       [] { auto b = lut16Printer(); b[tagData(b, 0) + 8] = 9; return b; }, w::sig("A2B0"), 0, true},
      {"lut tag cut short",
       [] { auto b = lut16Printer(); w::putU32(b, kFirstEntry + 8, 40); return b; }, w::sig("A2B0"), 0, true},
      {"curve count beyond its tag",
       [] { auto b = matrixOnly(); w::putU32(b, tagData(b, 3) + 8, 0xFFFFFFF0u); return b; }, w::sig("rTRC"), 0, true},
      {"colorant tag of eight bytes",
       [] { auto b = matrixOnly(); w::putU32(b, kFirstEntry + 12 + 8, 8); return b; }, w::sig("gXYZ"), 0, true},
      {"singular colorants",
       [] {
         const double zero[3][3] = {{0.4, 0.4, 0.1}, {0.2, 0.2, 0.06}, {0.01, 0.01, 0.7}};
         return matrixProfile(zero, 2.2);
       },
       w::sig("rXYZ"), 0, false},
      {"colorants with a black white point",
       [] {
         const double black[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
         return matrixProfile(black, 2.2);
       },
       w::sig("rXYZ"), 0, true},
  };
  const w::Bytes good = matrixOnly();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    w::Bytes bad = c.make();
    SDKCMProfile damaged, other;
    ASSERT_EQ(SDKCMOpenProfile(store("bad.icc", bad).c_str(), &damaged), 0);
    ASSERT_EQ(SDKCMOpenProfile(store("good.icc", good).c_str(), &other), 0);
    uint32_t size = 0;
    EXPECT_EQ(SDKCMGetPartialProfileElement(&damaged, c.tag, 0, &size, nullptr), c.elementResult);
    uint32_t count = 0;
    EXPECT_EQ(SDKCMGetTagTableInfo(&damaged, &count, nullptr), 0);
    EXPECT_LE(12 * uint64_t{count} + 132, bad.size());
    SDKCMColorWorld cw = c.sourceSide ? SDKCMCreateColorWorld(0, &damaged, nullptr, &other, nullptr)
                                      : SDKCMCreateColorWorld(0, &other, nullptr, &damaged, nullptr);
    EXPECT_EQ(cw != nullptr, c.worldBuilt);
    if (cw) SDKCMDisposeColorWorld(cw);
    SDKCMCloseProfile(&damaged);
    SDKCMCloseProfile(&other);
  }
}

TEST_F(RootTest, RandomlyCorruptedProfilesNeverReadOutsideTheirBytes) {
  // Bytes flipped in the tag table and the tag data of a LUT and a matrix
  // profile; whatever opens is queried, combined and used. The sanitizer
  // build turns any stray read into a failure.
  const w::Bytes originals[] = {lut16Printer(2), matrixOnly()};
  const w::Bytes partner = lut16Printer(2);
  std::mt19937 rng(2026);
  for (int round = 0; round < 24; ++round) {
    w::Bytes bad = originals[round % 2];
    const int flips = 1 + round % 6;
    for (int f = 0; f < flips; ++f) {
      size_t at = 128 + rng() % (bad.size() - 128);
      bad[at] = uint8_t(rng());
    }
    SCOPED_TRACE(round);
    SDKCMProfile damaged, other;
    if (SDKCMOpenProfile(store("bad.icc", bad).c_str(), &damaged) != 0) continue;
    ASSERT_EQ(SDKCMOpenProfile(store("other.icc", partner).c_str(), &other), 0);
    uint32_t count = 0;
    SDKCMGetTagTableInfo(&damaged, &count, nullptr);
    std::vector<uint8_t> table(4 + 12 * size_t{count});
    SDKCMGetTagTableInfo(&damaged, &count, table.data());
    uint8_t part[64];
    for (uint32_t tag : {w::sig("A2B0"), w::sig("B2A0"), w::sig("rTRC"), w::sig("gXYZ")}) {
      uint32_t size = sizeof part;
      SDKCMGetPartialProfileElement(&damaged, tag, 8, &size, part);
      EXPECT_LE(size, sizeof part);
    }
    for (bool sourceSide : {true, false}) {
      SDKCMColorWorld cw = sourceSide ? SDKCMCreateColorWorld(0, &damaged, nullptr, &other, nullptr)
                                      : SDKCMCreateColorWorld(0, &other, nullptr, &damaged, nullptr);
      if (!cw) continue;
      uint8_t px[12] = {0, 0, 0, 255, 255, 255, 17, 128, 250, 3, 77, 200}, out[16];
      SDKCMPixelMap s{4, 1, SDKCMGetNumsOfInPixComp(cw), 4 * SDKCMGetNumsOfInPixComp(cw), px};
      SDKCMPixelMap d{4, 1, SDKCMGetNumsOfOutPixComp(cw), 4 * SDKCMGetNumsOfOutPixComp(cw), out};
      if (s.components == 3) {
        EXPECT_EQ(SDKCMMatchPixelMap(cw, &s, &d), 0);
      }
      SDKCMDisposeColorWorld(cw);
    }
    SDKCMCloseProfile(&damaged);
    SDKCMCloseProfile(&other);
  }
}

TEST_F(RootTest, ADamagedTableTagFallsBackToTheProfilesColorants) {
  // A matrix profile that also carries a broken A2B0: the tag counts as
  // absent, so the colorants serve.
  w::Profile p;
  p.add(w::sig("A2B0"), w::Bytes(20, 0));
  const uint32_t xyz[3] = {w::sig("rXYZ"), w::sig("gXYZ"), w::sig("bXYZ")};
  for (int c = 0; c < 3; ++c) p.add(xyz[c], w::xyzTag(kSrgbD50[0][c], kSrgbD50[1][c], kSrgbD50[2][c]));
  for (uint32_t t : {w::sig("rTRC"), w::sig("gTRC"), w::sig("bTRC")}) p.add(t, w::gammaTag(2.2));
  OpenProfile in(w::write(p), "in.icc"), out(matrixOnly(), "out.icc");
  ASSERT_NE(in.file, os::kInvalidFileHandle);
  auto* cw = cmm::createColorWorld(0, in.file, nullptr, out.file, nullptr);
  ASSERT_NE(cw, nullptr);
  EXPECT_EQ(cw->header.pixelRoutine, cmm::Routine::HighPrecisionThreeToThree);
  cmm::disposeColorWorld(cw);
}

TEST_F(RootTest, RunningOutOfMemoryGivesNoWorldAndTheProcessGoesOn) {
  OpenProfile in(matrixOnly(), "in.icc"), out(matrixOnly(), "out.icc");
  ASSERT_NE(in.file, os::kInvalidFileHandle);
  cmm::limitAllocationsForTesting(0);
  EXPECT_EQ(cmm::createColorWorld(0, in.file, nullptr, out.file, nullptr), nullptr);
  cmm::limitAllocationsForTesting(-1);
  auto* cw = cmm::createColorWorld(0, in.file, nullptr, out.file, nullptr);
  EXPECT_NE(cw, nullptr);
  cmm::disposeColorWorld(cw);
}

TEST_F(RootTest, BadIntentsAndMissingProfilesGiveNoWorld) {
  OpenProfile in(matrixOnly(), "in.icc"), out(matrixOnly(), "out.icc");
  EXPECT_EQ(cmm::createColorWorld(4, in.file, nullptr, out.file, nullptr), nullptr);
  EXPECT_EQ(cmm::createColorWorld(0, os::kInvalidFileHandle, nullptr, out.file, nullptr), nullptr);
  EXPECT_EQ(SDKCMCreateColorWorld(0, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(SDKCMMatchPixelMap(nullptr, nullptr, nullptr), -1);
}

}  // namespace
}  // namespace q7310::flt
