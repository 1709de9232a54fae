#include <gtest/gtest.h>

#include <random>

#include "platform/gdi/engine.h"
#include "platform/gdi/tests/surface_helpers.h"

namespace q7310::gdi {
namespace {

using testing::rgb;
using testing::TestSurface;

constexpr uint32_t kInk = rgb(255, 0, 0);

// A source whose red channel counts pixels row by row: 0, 1, 2, ...
void numberPixels(const TestSurface& s, int step = 1) {
  int n = 0;
  for (int32_t y = 0; y < s.obj()->sizlBitmap.cy; ++y)
    for (int32_t x = 0; x < s.obj()->sizlBitmap.cx; ++x) s.set(x, y, rgb(static_cast<uint8_t>(n++ * step), 7, 9));
}

bool blit(const TestSurface& dst, const TestSurface* src, RectL rect, PointL from, uint32_t rop4,
          uint32_t color = 0, ClipObj* clip = nullptr) {
  BrushObj brush{color};
  return engBitBlt(dst.obj(), src != nullptr ? src->obj() : nullptr, nullptr, clip, nullptr, &rect, &from, nullptr,
                   &brush, nullptr, rop4);
}

bool stretchBlt(const TestSurface& dst, const TestSurface& src, RectL to, RectL from, uint32_t mode,
                ClipObj* clip = nullptr) {
  return engStretchBlt(dst.obj(), src.obj(), nullptr, clip, nullptr, nullptr, nullptr, &to, &from, nullptr, mode);
}

TEST(BitBlt, CopiesAndCutsToClipSurfaceAndSource) {
  TestSurface src(3, 3);
  src.set(0, 0, kInk);
  src.set(2, 2, kInk);
  src.set(1, 1, kInk);
  TestSurface dst(5, 4);
  // The copy lands at (3, 2): its right column and bottom row fall off the surface.
  ASSERT_TRUE(blit(dst, &src, {3, 2, 6, 5}, {0, 0}, kRopSrcCopy));
  EXPECT_EQ(dst.picture(kInk), ".....|.....|...#.|....#");
  // A source point near the source's edge copies only what the source has.
  TestSurface dst2(4, 4);
  ASSERT_TRUE(blit(dst2, &src, {0, 0, 4, 4}, {1, 1}, kRopSrcCopy));
  EXPECT_EQ(dst2.picture(kInk), "#...|.#..|....|....");
  // A clip rectangle cuts the copy.
  TestSurface dst3(3, 3);
  ClipObj clip{kDcRect, {1, 0, 3, 2}};
  ASSERT_TRUE(blit(dst3, &src, {0, 0, 3, 3}, {0, 0}, kRopSrcCopy, 0, &clip));
  EXPECT_EQ(dst3.picture(kInk), "...|.#.|...");
}

TEST(BitBlt, OverlappingMoveWithinOneSurface) {
  TestSurface s(4, 2);
  numberPixels(s);
  // Shift everything one pixel right and down: a naive forward copy would
  // smear the first pixel across the row.
  ASSERT_TRUE(blit(s, &s, {1, 1, 4, 2}, {0, 0}, kRopSrcCopy));
  EXPECT_EQ(s.reds(), (std::vector<int>{0, 1, 2, 3, 4, 0, 1, 2}));
}

TEST(BitBlt, RasterOperations) {
  struct Case {
    uint32_t rop4;
    uint32_t expected;  // for destination 0x30 and source 0x0F in red, pattern 0x55
  };
  const Case cases[] = {{kRopSrcCopy, 0x0F}, {kRopPatCopy, 0x55}, {kRopWhiteness, 0xFF}, {kRopBlackness, 0x00},
                        {0x6666, 0x3F},      // source XOR destination
                        {0x8888, 0x00},      // source AND destination
                        {0x5555, 0xCF},      // NOT destination
                        {0x5A5A, 0x65}};     // pattern XOR destination
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rop4);
    TestSurface src(1, 1, rgb(0x0F, 0, 0));
    TestSurface dst(2, 1, rgb(0x30, 0, 0));
    ASSERT_TRUE(blit(dst, &src, {0, 0, 1, 1}, {0, 0}, c.rop4, rgb(0x55, 0, 0)));
    EXPECT_EQ(dst.get(0, 0) & 0xFF, c.expected);
    EXPECT_EQ(dst.get(1, 0), rgb(0x30, 0, 0));  // outside the rectangle
  }
}

TEST(BitBlt, EmptyOrInvertedRectangleDrawsNothing) {
  TestSurface dst(2, 2);
  EXPECT_TRUE(blit(dst, nullptr, {1, 1, 1, 2}, {0, 0}, kRopPatCopy, kInk));
  EXPECT_TRUE(blit(dst, nullptr, {5, 5, 9, 9}, {0, 0}, kRopPatCopy, kInk));
  EXPECT_EQ(dst.picture(kInk), "..|..");
}

TEST(CopyBits, OntoBottomUpSurface) {
  TestSurface src(2, 2);
  numberPixels(src);
  TestSurface dst(2, 2, 0, 0);
  const RectL rect{0, 0, 2, 2};
  const PointL origin{0, 0};
  ASSERT_TRUE(engCopyBits(dst.obj(), src.obj(), nullptr, nullptr, &rect, &origin));
  EXPECT_EQ(dst.reds(), (std::vector<int>{0, 1, 2, 3}));
  // The bottom row comes first in memory.
  EXPECT_EQ(dst.obj()->pvBits[2], 2);
  EXPECT_EQ(dst.obj()->pvBits[dst.obj()->cjBits / 2 + 2], 0);
}

TEST(StretchBlt, NearestSamplingAndMirrors) {
  TestSurface src(2, 2);
  numberPixels(src);
  struct Case {
    RectL to;
    RectL from;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {{0, 0, 4, 4}, {0, 0, 2, 2}, {0, 0, 1, 1, 0, 0, 1, 1, 2, 2, 3, 3, 2, 2, 3, 3}},
      {{4, 0, 0, 2}, {0, 0, 2, 2}, {1, 1, 0, 0, 3, 3, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0}},  // mirrored left-right
      {{0, 2, 2, 0}, {0, 0, 2, 2}, {2, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},  // mirrored top-bottom
      {{0, 0, 2, 2}, {2, 2, 0, 0}, {3, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},  // reversed source: both
  };
  for (const Case& c : cases) {
    TestSurface dst(4, 4);
    ASSERT_TRUE(stretchBlt(dst, src, c.to, c.from, kColorOnColor));
    EXPECT_EQ(dst.reds(), c.expected);
  }
  // Shrinking picks the pixel under each destination centre: 1 and 3.
  TestSurface row(4, 1);
  numberPixels(row);
  TestSurface half(2, 1);
  ASSERT_TRUE(stretchBlt(half, row, {0, 0, 2, 1}, {0, 0, 4, 1}, kBlackOnWhite));
  EXPECT_EQ(half.reds(), (std::vector<int>{1, 3}));
}

TEST(StretchBlt, HalftoneAveragesWhenShrinkingAndInterpolatesWhenEnlarging) {
  auto rowOf = [](std::vector<int> values) {
    auto s = std::make_unique<TestSurface>(static_cast<int32_t>(values.size()), 1);
    for (size_t i = 0; i < values.size(); ++i) s->set(static_cast<int32_t>(i), 0, rgb(uint8_t(values[i]), 0, 0));
    return s;
  };
  struct Case {
    std::vector<int> in;
    int32_t outWidth;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {{0, 100, 200, 40}, 2, {50, 120}},          // whole pixels averaged
      {{0, 90, 180}, 2, {30, 150}},               // the middle pixel split by area
      {{0, 100}, 4, {0, 25, 75, 100}},            // linear between pixel centres
      {{10, 20, 30}, 3, {10, 20, 30}},            // same size: unchanged
  };
  for (const Case& c : cases) {
    auto src = rowOf(c.in);
    TestSurface dst(c.outWidth, 1);
    ASSERT_TRUE(stretchBlt(dst, *src, {0, 0, c.outWidth, 1}, {0, 0, int32_t(c.in.size()), 1}, kHalftone));
    EXPECT_EQ(dst.reds(), c.expected);
  }
  // Both axes at once, with a mirror: 4 x 4 blocks of 2 x 2 averaged.
  TestSurface square(4, 4);
  numberPixels(square, 10);
  TestSurface small(2, 2);
  ASSERT_TRUE(stretchBlt(small, square, {2, 0, 0, 2}, {0, 0, 4, 4}, kHalftone));
  EXPECT_EQ(small.reds(), (std::vector<int>{45, 25, 125, 105}));
}

TEST(StretchBlt, HalftoneKeepsFlatColorsAndMatchesNearestOnIdentity) {
  std::mt19937 random(7);
  TestSurface noise(13, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x) noise.set(x, y, random() & 0xFFFFFF);
  TestSurface copy(13, 9);
  ASSERT_TRUE(stretchBlt(copy, noise, {0, 0, 13, 9}, {0, 0, 13, 9}, kHalftone));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(copy.get(x, y), noise.get(x, y)) << x << "," << y;

  TestSurface flat(37, 23, rgb(200, 100, 50));
  for (RectL to : {RectL{0, 0, 11, 7}, RectL{0, 0, 61, 45}}) {
    TestSurface out(61, 45);
    ASSERT_TRUE(stretchBlt(out, flat, to, {0, 0, 37, 23}, kHalftone));
    for (int y = 0; y < to.bottom; ++y)
      for (int x = 0; x < to.right; ++x) ASSERT_EQ(out.get(x, y), rgb(200, 100, 50)) << x << "," << y;
  }
}

TEST(StretchBlt, ClipAndSourceOutsideItsSurface) {
  TestSurface src(2, 2, kInk);
  TestSurface dst(4, 4);
  ClipObj clip{kDcRect, {1, 1, 3, 3}};
  ASSERT_TRUE(stretchBlt(dst, src, {0, 0, 4, 4}, {0, 0, 2, 2}, kHalftone, &clip));
  EXPECT_EQ(dst.picture(kInk), "....|.##.|.##.|....");
  // A source rectangle reaching past the source repeats its edge, never reads outside.
  TestSurface dst2(4, 1);
  ASSERT_TRUE(stretchBlt(dst2, src, {0, 0, 4, 1}, {0, 0, 40, 1}, kColorOnColor));
  ASSERT_TRUE(stretchBlt(dst2, src, {0, 0, 4, 1}, {-20, 0, 40, 1}, kHalftone));
  EXPECT_EQ(dst2.picture(kInk), "####");
}

TEST(StretchBlt, WithinOneSurfaceReadsTheOriginalPixels) {
  TestSurface s(4, 1);
  numberPixels(s, 10);  // 0 10 20 30
  // Doubling the left half over the whole row: a stretch reading what it has
  // just written would repeat the first pixel.
  ASSERT_TRUE(stretchBlt(s, s, {0, 0, 4, 1}, {0, 0, 2, 1}, kColorOnColor));
  EXPECT_EQ(s.reds(), (std::vector<int>{0, 0, 10, 10}));
}

TEST(StretchBltROP, PatternAndSourceOperations) {
  TestSurface src(1, 1, rgb(0x0F, 0, 0));
  TestSurface dst(2, 2, rgb(0x30, 0, 0));
  BrushObj brush{kInk};
  const RectL to{0, 0, 2, 1}, from{0, 0, 1, 1};
  ASSERT_TRUE(engStretchBltROP(dst.obj(), src.obj(), nullptr, nullptr, nullptr, nullptr, nullptr, &to, &from,
                               nullptr, kColorOnColor, &brush, 0x6666));
  EXPECT_EQ(dst.reds(), (std::vector<int>{0x3F, 0x3F, 0x30, 0x30}));
  const RectL below{0, 1, 2, 2};
  ASSERT_TRUE(engStretchBltROP(dst.obj(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &below, nullptr,
                               nullptr, kHalftone, &brush, kRopPatCopy));
  EXPECT_EQ(dst.picture(kInk), "..|##");
}

TEST(PlgBlt, QuarterTurnAndMirror) {
  TestSurface src(2, 3);  // reds 0 1 / 2 3 / 4 5
  numberPixels(src);
  const RectL from{0, 0, 2, 3};
  for (uint32_t mode : {kColorOnColor, kHalftone}) {
    SCOPED_TRACE(mode);
    // Top-left to (3, 0), top-right to (3, 2), bottom-left to (0, 0): a quarter turn clockwise.
    TestSurface dst(3, 2, rgb(99, 0, 0));
    const PointL turn[3] = {{3, 0}, {3, 2}, {0, 0}};
    ASSERT_TRUE(engPlgBlt(dst.obj(), src.obj(), nullptr, nullptr, nullptr, nullptr, nullptr, turn, &from, nullptr,
                          mode));
    EXPECT_EQ(dst.reds(), (std::vector<int>{4, 2, 0, 5, 3, 1}));
    // An upright parallelogram with left and right swapped mirrors.
    TestSurface mirror(2, 3);
    const PointL flip[3] = {{2, 0}, {0, 0}, {2, 3}};
    ASSERT_TRUE(engPlgBlt(mirror.obj(), src.obj(), nullptr, nullptr, nullptr, nullptr, nullptr, flip, &from, nullptr,
                          mode));
    EXPECT_EQ(mirror.reds(), (std::vector<int>{1, 0, 3, 2, 5, 4}));
  }
  // A degenerate parallelogram draws nothing.
  TestSurface none(2, 2);
  const PointL flat[3] = {{0, 0}, {2, 0}, {4, 0}};
  EXPECT_TRUE(engPlgBlt(none.obj(), src.obj(), nullptr, nullptr, nullptr, nullptr, nullptr, flat, &from, nullptr,
                        kHalftone));
  EXPECT_EQ(none.picture(0), "##|##");
}

TEST(AlphaBlendAndTransparentBlt, ConstantAlphaAndColorKey) {
  TestSurface src(2, 1);
  src.set(0, 0, rgb(200, 0, 255));
  src.set(1, 0, kInk);
  TestSurface dst(2, 1, rgb(100, 255, 0));
  BlendObj blend{128};
  const RectL rect{0, 0, 2, 1};
  ASSERT_TRUE(engAlphaBlend(dst.obj(), src.obj(), nullptr, nullptr, &rect, &rect, &blend));
  EXPECT_EQ(dst.get(0, 0), rgb(150, 127, 128));
  blend.sourceConstantAlpha = 255;
  ASSERT_TRUE(engAlphaBlend(dst.obj(), src.obj(), nullptr, nullptr, &rect, &rect, &blend));
  EXPECT_EQ(dst.get(1, 0), kInk);

  TestSurface keyed(4, 1, rgb(1, 2, 3));
  const RectL wide{0, 0, 4, 1};
  ASSERT_TRUE(engTransparentBlt(keyed.obj(), src.obj(), nullptr, nullptr, &wide, &rect, kInk, 0));
  EXPECT_EQ(keyed.get(0, 0), rgb(200, 0, 255));
  EXPECT_EQ(keyed.get(1, 0), rgb(200, 0, 255));
  EXPECT_EQ(keyed.get(2, 0), rgb(1, 2, 3));  // key color left out
  EXPECT_EQ(keyed.get(3, 0), rgb(1, 2, 3));
}

}  // namespace
}  // namespace q7310::gdi
