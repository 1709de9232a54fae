#include <gtest/gtest.h>

#include <algorithm>

#include "platform/gdi/engine.h"
#include "platform/gdi/tests/surface_helpers.h"

namespace q7310::gdi {
namespace {

using testing::rgb;
using testing::TestSurface;

constexpr uint32_t kInk = rgb(255, 0, 0);
constexpr uint32_t kCopyPen = 0x0D0D;
constexpr uint32_t kXorPen = 0x0707;

PathObj pathOf(std::vector<std::vector<PointL>> figures, bool closed = true) {
  PathObj path;
  for (auto& f : figures) path.figures.push_back(PathObj::Figure{std::move(f), closed});
  return path;
}

TEST(Paint, ClipRectangleAndMix) {
  TestSurface s(4, 3);
  BrushObj brush{kInk};
  ClipObj clip{kDcRect, {1, 1, 3, 2}};
  ASSERT_TRUE(engPaint(s.obj(), &clip, &brush, nullptr, kCopyPen));
  EXPECT_EQ(s.picture(kInk), "....|.##.|....");
  // Exclusive-or twice gives back what was there.
  ClipObj all{kDcTrivial, {}};
  ASSERT_TRUE(engPaint(s.obj(), &all, &brush, nullptr, kXorPen));
  EXPECT_EQ(s.picture(kInk), "####|#..#|####");
  ASSERT_TRUE(engPaint(s.obj(), &all, &brush, nullptr, kXorPen));
  EXPECT_EQ(s.picture(kInk), "....|.##.|....");
}

TEST(FillPath, AlternateAndWindingModes) {
  // Two squares wound the same way, overlapping in the middle.
  PathObj path = pathOf({{{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {{2, 2}, {6, 2}, {6, 6}, {2, 6}}});
  BrushObj brush{kInk};
  TestSurface alternate(6, 6);
  ASSERT_TRUE(engFillPath(alternate.obj(), &path, nullptr, &brush, nullptr, kCopyPen, kFpAlternateMode));
  EXPECT_EQ(alternate.picture(kInk), "####..|####..|##..##|##..##|..####|..####");
  TestSurface winding(6, 6);
  ASSERT_TRUE(engFillPath(winding.obj(), &path, nullptr, &brush, nullptr, kCopyPen, kFpWindingMode));
  EXPECT_EQ(winding.picture(kInk), "####..|####..|######|######|..####|..####");
}

TEST(FillPath, PixelCentreRuleAndClip) {
  BrushObj brush{kInk};
  PathObj triangle = pathOf({{{0, 0}, {4, 0}, {0, 4}}});
  TestSurface s(4, 4);
  ASSERT_TRUE(engFillPath(s.obj(), &triangle, nullptr, &brush, nullptr, kCopyPen, kFpAlternateMode));
  EXPECT_EQ(s.picture(kInk), "###.|##..|#...|....");
  // A figure far beyond the surface is cut, not followed.
  PathObj huge = pathOf({{{-100000, -100000}, {100000, -100000}, {100000, 100000}, {-100000, 100000}}});
  TestSurface t(3, 3);
  ClipObj clip{kDcRect, {1, 0, 3, 9}};
  ASSERT_TRUE(engFillPath(t.obj(), &huge, &clip, &brush, nullptr, kCopyPen, kFpWindingMode));
  EXPECT_EQ(t.picture(kInk), ".##|.##|.##");
}

TEST(StrokePath, ThinOutlinePaintsEveryPixelOnce) {
  PathObj square = pathOf({{{1, 1}, {4, 1}, {4, 4}, {1, 4}}});
  BrushObj brush{kInk};
  LineAttrs line{1};
  TestSurface s(6, 6);
  // With exclusive-or a corner painted twice would come out empty.
  ASSERT_TRUE(engStrokePath(s.obj(), &square, nullptr, nullptr, &brush, nullptr, &line, kXorPen));
  EXPECT_EQ(s.picture(kInk), "......|.####.|.#..#.|.#..#.|.####.|......");
}

TEST(StrokePath, WidePenAndStrokeAndFill) {
  PathObj segment = pathOf({{{2, 5}, {8, 5}}}, false);
  BrushObj brush{kInk};
  LineAttrs line{3};
  TestSurface s(11, 8);
  ASSERT_TRUE(engStrokePath(s.obj(), &segment, nullptr, nullptr, &brush, nullptr, &line, kXorPen));
  EXPECT_EQ(s.picture(kInk),
            "...........|...........|...........|...........|.#########.|.#########.|.#########.|...........");

  PathObj square = pathOf({{{0, 0}, {4, 0}, {4, 4}, {0, 4}}});
  BrushObj fill{rgb(0, 0, 255)};
  LineAttrs thin{1};
  TestSurface t(5, 5);
  ASSERT_TRUE(engStrokeAndFillPath(t.obj(), &square, nullptr, nullptr, &brush, &thin, &fill, nullptr, kCopyPen,
                                   kFpAlternateMode));
  EXPECT_EQ(t.picture(kInk), "#####|#...#|#...#|#...#|#####");
  EXPECT_EQ(t.picture(rgb(0, 0, 255)), ".....|.###.|.###.|.###.|.....");
}

TEST(LineTo, LeavesOutTheEndPointAndClips) {
  BrushObj brush{kInk};
  struct Case {
    PointL from, to;
    bool clipped;
    const char* expected;
  };
  const Case cases[] = {
      {{0, 0}, {4, 0}, false, "####.|.....|.....|....."},
      {{0, 0}, {3, 3}, false, "#....|.#...|..#..|....."},
      {{4, 3}, {0, 3}, false, ".....|.....|.....|.####"},
      {{0, 1}, {5, 1}, true, ".....|.###.|.....|....."},
      {{-50, 2}, {50, 2}, false, ".....|.....|#####|....."},
  };
  for (const Case& c : cases) {
    TestSurface s(5, 4);
    ClipObj clip{kDcRect, {1, 0, 4, 4}};
    ASSERT_TRUE(engLineTo(s.obj(), c.clipped ? &clip : nullptr, &brush, c.from.x, c.from.y, c.to.x, c.to.y, nullptr,
                          kCopyPen));
    EXPECT_EQ(s.picture(kInk), c.expected);
  }
}

TEST(GradientFill, HorizontalAndVerticalRectangles) {
  const TriVertex v[2] = {{0, 0, 0, 0, 0x8000, 0}, {4, 2, 0xFF00, 0xFF00, 0x8000, 0}};
  for (GradientRect mesh : {GradientRect{0, 1}, GradientRect{1, 0}}) {
    TestSurface h(5, 3);
    ASSERT_TRUE(engGradientFill(h.obj(), nullptr, nullptr, v, 2, &mesh, 1, nullptr, nullptr, kGradientFillRectH));
    for (int y = 0; y < 2; ++y) {
      EXPECT_EQ(h.get(0, y), rgb(0, 0, 0x80));
      EXPECT_EQ(h.get(1, y), rgb(63, 63, 0x80));
      EXPECT_EQ(h.get(2, y), rgb(127, 127, 0x80));
      EXPECT_EQ(h.get(3, y), rgb(191, 191, 0x80));
    }
    EXPECT_EQ(h.get(4, 0), 0u);  // the right and bottom edges are outside
    EXPECT_EQ(h.get(0, 2), 0u);
  }
  const TriVertex tall[2] = {{0, 0, 0xFF00, 0, 0, 0}, {1, 4, 0, 0, 0, 0}};
  const GradientRect mesh{0, 1};
  TestSurface v2(1, 4);
  ASSERT_TRUE(engGradientFill(v2.obj(), nullptr, nullptr, tall, 2, &mesh, 1, nullptr, nullptr, kGradientFillRectV));
  EXPECT_EQ(v2.reds(), (std::vector<int>{255, 191, 127, 63}));
}

TEST(GradientFill, VertexIndexOutOfRangeDrawsNothing) {
  const TriVertex v[2] = {{0, 0, 0xFF00, 0, 0, 0}, {2, 2, 0xFF00, 0, 0, 0}};
  const GradientRect mesh[2] = {{0, 1}, {0, 2}};
  TestSurface s(2, 2);
  EXPECT_FALSE(engGradientFill(s.obj(), nullptr, nullptr, v, 2, mesh, 2, nullptr, nullptr, kGradientFillRectH));
  EXPECT_EQ(s.picture(0), "##|##");
  const GradientTriangle tri{0, 1, 5};
  EXPECT_FALSE(engGradientFill(s.obj(), nullptr, nullptr, v, 2, &tri, 1, nullptr, nullptr, kGradientFillTriangle));
  EXPECT_FALSE(engGradientFill(s.obj(), nullptr, nullptr, v, 2, mesh, 1, nullptr, nullptr, 3));
}

TEST(GradientFill, TriangleInterpolatesBetweenCorners) {
  const TriVertex v[3] = {{0, 0, 0, 0, 0, 0}, {8, 0, 0xFF00, 0, 0, 0}, {0, 8, 0, 0xFF00, 0, 0}};
  const GradientTriangle tri{0, 1, 2};
  TestSurface s(8, 8, rgb(1, 1, 1));
  ASSERT_TRUE(engGradientFill(s.obj(), nullptr, nullptr, v, 3, &tri, 1, nullptr, nullptr, kGradientFillTriangle));
  // Pixel centre (0.5, 0.5): 1/16 of the way to each of the other corners.
  EXPECT_EQ(s.get(0, 0), rgb(0x0F, 0x0F, 0));
  EXPECT_EQ(s.get(7, 0) & 0xFF, 0xEFu);
  EXPECT_EQ(s.get(7, 7), rgb(1, 1, 1));  // outside the triangle
}

TEST(TextOut, GlyphsInForegroundScaledAndCut) {
  BrushObj ink{kInk};
  StrObj str{{u'I'}, {1, 1}, 8};
  TestSurface s(7, 9);
  ASSERT_TRUE(engTextOut(s.obj(), &str, nullptr, nullptr, nullptr, nullptr, &ink, nullptr, nullptr, kCopyPen));
  EXPECT_EQ(s.picture(kInk),
            ".......|..###..|...#...|...#...|...#...|...#...|...#...|..###..|.......");

  // Twice the height doubles every dot; an opaque rectangle is painted first.
  StrObj big{{u'I', u'\u00e9'}, {0, 0}, 16};
  BrushObj back{rgb(0, 0, 255)};
  RectL opaque{0, 0, 24, 16};
  TestSurface t(24, 16);
  ASSERT_TRUE(engTextOut(t.obj(), &big, nullptr, nullptr, nullptr, &opaque, &ink, &back, nullptr, kCopyPen));
  const std::string pic = t.picture(kInk);
  EXPECT_EQ(std::count(pic.begin(), pic.end(), '#'), 11 * 4 + 20 * 4);  // 'I' and the box of an unknown character
  EXPECT_EQ(t.get(0, 0), rgb(0, 0, 255));
  EXPECT_EQ(t.get(2, 0), kInk);

  ClipObj clip{kDcRect, {0, 0, 3, 9}};
  TestSurface u(7, 9);
  ASSERT_TRUE(engTextOut(u.obj(), &str, nullptr, &clip, nullptr, nullptr, &ink, nullptr, nullptr, kCopyPen));
  EXPECT_EQ(u.picture(kInk), ".......|..#....|.......|.......|.......|.......|.......|..#....|.......");
}

}  // namespace
}  // namespace q7310::gdi
