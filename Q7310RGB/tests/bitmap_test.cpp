// Bitmap records: duplicate, geometry checks, rotate and mirror, and the rule
// that every operation leaves the filler bytes of a row alone.
#include "Q7310RGB/bitmap/bitmap.h"

#include <gtest/gtest.h>

#include <functional>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/tests/picture.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

// Pixel (x, y) holds x, y, 100 + x + 10 y.
Picture numbered(int w, int h) {
  Picture picture(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) picture.set(x, y, uint8_t(x), uint8_t(y), uint8_t(100 + x + 10 * y));
  return picture;
}

TEST(Bitmap, DuplicateCopiesRowsWithFiller) {
  Picture picture = numbered(5, 3);
  BitmapPtr copy = duplicateBitmap(picture.record());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->width, 5);
  EXPECT_EQ(copy->height, 3);
  EXPECT_EQ(copy->stride, picture.record().stride);
  EXPECT_EQ(0, std::memcmp(copy->pixels, picture.record().pixels, size_t(3 * copy->stride)));
  EXPECT_NE(copy->pixels, picture.record().pixels);
}

TEST(Bitmap, GeometryChecks) {
  uint8_t pixels[64] = {};
  struct Case {
    RgbBitmap bitmap;
    Geometry expected;
  } cases[] = {
      {{pixels, 4, 2, 12}, Geometry::Usable},   {{pixels, 4, 2, -12}, Geometry::Usable},
      {{pixels, 4, 2, 11}, Geometry::Invalid},  // rows shorter than width x 3
      {{pixels, -1, 2, 12}, Geometry::Invalid}, {{pixels, 4, -2, 12}, Geometry::Invalid},
      {{nullptr, 4, 2, 12}, Geometry::Invalid}, {{nullptr, 0, 5, 0}, Geometry::Empty},
      {{pixels, 3, 0, 9}, Geometry::Empty},     {{pixels, 1, 1, INT32_MIN}, Geometry::Invalid},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(checkGeometry(&cases[i].bitmap), cases[i].expected) << i;
  EXPECT_EQ(checkGeometry(nullptr), Geometry::Invalid);
}

TEST(Bitmap, RotateAndMirror) {
  for (int h : {3, 4}) {  // odd height: the middle row turns on itself
    SCOPED_TRACE(h);
    Picture rotated = numbered(5, h);
    ASSERT_TRUE(rotate180(*rotated.bitmap()));
    Picture mirrored = numbered(5, h);
    ASSERT_TRUE(mirror(*mirrored.bitmap()));
    const Picture original = numbered(5, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(0, std::memcmp(rotated.at(x, y), original.at(4 - x, h - 1 - y), 3)) << x << "," << y;
        EXPECT_EQ(0, std::memcmp(mirrored.at(x, y), original.at(4 - x, y), 3)) << x << "," << y;
      }
    }
    EXPECT_TRUE(rotated.fillerIntact());
    EXPECT_TRUE(mirrored.fillerIntact());
  }
}

TEST(Bitmap, EveryOperationLeavesFillerAloneAndRefusesBadRecords) {
  const std::pair<const char*, std::function<bool(RgbBitmap&)>> operations[] = {
      {"rotate", rotate180},
      {"mirror", mirror},
      {"grayscale", grayscale},
      {"gamma", [](RgbBitmap& b) { return gamma(b, 180); }},
      {"brightness", [](RgbBitmap& b) { return brightnessContrast(b, 10, 20); }},
      {"channels", [](RgbBitmap& b) { return channelAdjust(b, 10, -20, 30); }},
      {"auto contrast", autoContrast},
      {"auto color", autoColor},
      {"saturate", [](RgbBitmap& b) { return saturate(b, 40); }},
      {"scale 90", [](RgbBitmap& b) { return scale(b, 90); }},
      {"scale 110", [](RgbBitmap& b) { return scale(b, 110); }},
      {"unsharp", [](RgbBitmap& b) { return unsharpMask(b, 175, 1, 0); }},
  };
  for (const auto& [name, run] : operations) {
    SCOPED_TRACE(name);
    Picture picture(23, 17, 23 * 3 + 9);
    picture.fillPhotoLike(4);
    const Picture original(picture);
    EXPECT_TRUE(run(*picture.bitmap()));
    EXPECT_TRUE(picture.fillerIntact());
    EXPECT_NE(picture.pixelBytes(), original.pixelBytes());

    // Rows declared shorter than the pixels they hold: refused, untouched.
    Picture shortRows(original);
    shortRows.bitmap()->stride = 23 * 3 - 1;
    EXPECT_FALSE(run(*shortRows.bitmap()));
    shortRows.bitmap()->stride = original.record().stride;
    EXPECT_EQ(shortRows.pixelBytes(), original.pixelBytes());

    RgbBitmap empty{nullptr, 0, 0, 0};
    EXPECT_TRUE(run(empty));
  }
}

}  // namespace
}  // namespace q7310::rgb
