// Resize (cubic B-spline) against a direct evaluation of the formula, and Scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/tests/picture.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

// The kernel and the resampling written out as stated, one output byte at a
// time, in single precision.
float kernel(float x) {
  if (x > 2.0f) return 0.0f;
  auto p3 = [](float t) {
    const float p = std::max(t, 0.0f);
    return p * p * p;
  };
  return (p3(x + 2.0f) - 4.0f * p3(x + 1.0f) + 6.0f * p3(x) - 4.0f * p3(x - 1.0f)) / 6.0f;
}

std::vector<uint8_t> directResize(const Picture& src, int w, int h) {
  std::vector<uint8_t> out;
  for (int i = 0; i < h; ++i) {
    for (int j = 0; j < w; ++j) {
      const float y = float(src.height()) / float(h) * float(i) - 0.5f;
      const float x = float(src.width()) / float(w) * float(j) - 0.5f;
      const int y0 = int(std::floor(y));
      const int x0 = int(std::floor(x));
      const float dy = y - float(y0);
      const float dx = x - float(x0);
      for (int c = 0; c < 3; ++c) {
        float sum = 0.0f;
        for (int k = -1; k <= 2; ++k) {
          for (int m = -1; m <= 2; ++m) {
            const int sy = std::min(std::max(y0 + k, 0), src.height() - 1);
            const int sx = std::min(std::max(x0 + m, 0), src.width() - 1);
            sum += float(src.at(sx, sy)[c]) * (kernel(float(k) - dy) * kernel(dx - float(m)));
          }
        }
        out.push_back(uint8_t(int(sum)));
      }
    }
  }
  return out;
}

TEST(Resize, MatchesTheDirectFormula) {
  struct Case {
    int w, h, newW, newH;
  } cases[] = {{7, 5, 11, 8}, {7, 5, 3, 2},    {20, 13, 22, 14},  {1, 1, 4, 3},
               {9, 9, 9, 9},  {31, 17, 5, 40}, {120, 90, 132, 99}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " -> " << c.newW << "x" << c.newH);
    for (bool blocks : {false, true}) {
      Picture picture(c.w, c.h);
      if (blocks) {
        picture.fillBlocks(uint32_t(c.w));
      } else {
        picture.fillPhotoLike(uint32_t(c.w * 31 + c.h));
      }
      BitmapPtr resized = resize(picture.record(), c.newW, c.newH);
      ASSERT_TRUE(resized);
      EXPECT_EQ(resized->width, c.newW);
      EXPECT_EQ(resized->height, c.newH);
      EXPECT_EQ(testing::pixelBytes(*resized), directResize(picture, c.newW, c.newH)) << "blocks " << blocks;
      EXPECT_TRUE(picture.fillerIntact());
    }
  }
}

TEST(Resize, StrideRuleAndZeroedFiller) {
  for (int w : {1, 4, 10, 11}) {
    SCOPED_TRACE(w);
    Picture picture(3, 3);
    picture.fill(200, 200, 200);
    BitmapPtr resized = resize(picture.record(), w, 2);
    ASSERT_TRUE(resized);
    EXPECT_EQ(resized->stride, (3 * w / 4) * 4 + 4);
    for (int y = 0; y < 2; ++y)
      for (int i = 3 * w; i < resized->stride; ++i) EXPECT_EQ(resized->pixels[y * resized->stride + i], 0);
  }
}

TEST(Resize, RefusesSizesBelowOne) {
  Picture picture(4, 4);
  EXPECT_FALSE(resize(picture.record(), 0, 3));
  EXPECT_FALSE(resize(picture.record(), 3, -1));
  EXPECT_FALSE(resize(picture.record(), 2'000'000'000, 1));  // stride would not fit
  RgbBitmap empty{nullptr, 0, 0, 0};
  EXPECT_FALSE(resize(empty, 3, 3));
}

bool isWhite(const Picture& picture, int x, int y) {
  const uint8_t* p = picture.at(x, y);
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

TEST(Scale, SmallerPictureIsCentredOnWhite) {
  Picture picture(1844, 1240);
  picture.fillPhotoLike(5);
  for (int y = 0; y < picture.height(); ++y) picture.at(0, y)[0] = 0;  // no white source pixel
  BitmapPtr expected = resize(picture.record(), 1659, 1116);
  ASSERT_TRUE(expected);
  ASSERT_TRUE(scale(*picture.bitmap(), 90));
  EXPECT_EQ(picture.width(), 1844);
  EXPECT_EQ(picture.height(), 1240);
  // 62 rows and 92 pixels of white before the picture, the rest after it.
  for (int y : {0, 61, 62 + 1116, 1239}) EXPECT_TRUE(isWhite(picture, 900, y)) << y;
  for (int x : {0, 91, 92 + 1659, 1843}) EXPECT_TRUE(isWhite(picture, x, 600)) << x;
  int notWhite = 0;
  for (int y = 0; y < 1240; ++y) {
    for (int x = 0; x < 1844; ++x) {
      const bool inside = y >= 62 && y < 62 + 1116 && x >= 92 && x < 92 + 1659;
      if (!inside && !isWhite(picture, x, y)) ++notWhite;
    }
  }
  EXPECT_EQ(notWhite, 0);
  for (int y = 0; y < 1116; ++y) {
    ASSERT_EQ(0, std::memcmp(picture.at(92, 62 + y), expected->pixels + size_t(y) * expected->stride, 1659 * 3))
        << "row " << y;
  }
  EXPECT_TRUE(picture.fillerIntact());
}

TEST(Scale, LargerPictureIsCroppedAroundItsCentre) {
  Picture picture(50, 30);
  picture.fillPhotoLike(9);
  BitmapPtr expected = resize(picture.record(), 55, 33);
  ASSERT_TRUE(expected);
  ASSERT_TRUE(scale(*picture.bitmap(), 110));
  // From row (33 - 30) / 2 = 1 and pixel (55 - 50) / 2 = 2 of the larger one.
  for (int y = 0; y < 30; ++y) {
    ASSERT_EQ(0, std::memcmp(picture.at(0, y), expected->pixels + size_t(y + 1) * expected->stride + 2 * 3, 50 * 3))
        << "row " << y;
  }
  EXPECT_TRUE(picture.fillerIntact());
}

TEST(Scale, NoChangeZeroAndNegative) {
  Picture original(10, 10);
  original.fillPhotoLike(2);
  Picture same(original);
  EXPECT_TRUE(scale(*same.bitmap(), 101));  // 10 x 10 again: nothing happens
  EXPECT_EQ(same.pixelBytes(), original.pixelBytes());

  Picture zero(original);
  EXPECT_TRUE(scale(*zero.bitmap(), 0));  // shrinks to nothing: all white
  EXPECT_EQ(zero.pixelBytes(), std::vector<uint8_t>(300, 255));
  EXPECT_TRUE(zero.fillerIntact());

  Picture negative(original);
  EXPECT_FALSE(scale(*negative.bitmap(), -50));
  EXPECT_EQ(negative.pixelBytes(), original.pixelBytes());
}

}  // namespace
}  // namespace q7310::rgb
